#pragma once

#include "camerapreset.h"

#include <QList>
#include <QObject>
#include <optional>

// The preset list, read from the preferences once at construction and
// written back whole after every change. A write that fails sets saveFailed
// until a later write succeeds; the list itself is never rolled back.
class PresetManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<CameraPreset> presets READ presets NOTIFY presetsChanged)
    Q_PROPERTY(std::optional<QString> lastUsedPresetName READ lastUsedPresetName WRITE setLastUsedPresetName NOTIFY lastUsedPresetNameChanged)
    Q_PROPERTY(bool saveFailed READ saveFailed NOTIFY saveFailedChanged)

public:
    const QString key;         // "Lumarel.Presets"
    const QString lastUsedKey; // "Lumarel.LastUsedPreset"

    explicit PresetManager(QObject *parent = nullptr);

    QList<CameraPreset> presets() const { return m_presets; }
    std::optional<QString> lastUsedPresetName() const { return m_lastUsedPresetName; }
    // True while the list shown is not what is stored: the last write of it
    // failed. saveFailedChanged() is emitted only when this changes.
    bool saveFailed() const { return m_saveFailed; }
    // Published field; the panel records a preset as last used through
    // recordLastUsedPreset().
    void setLastUsedPresetName(const std::optional<QString> &name);

    // Removes every preset of that name, appends the new one, writes the list.
    void savePreset(const QString &name, const QMap<QString, qint64> &values);
    // Replaces the first preset of that name in place and writes the list;
    // nothing happens when there is none.
    void updatePreset(const QString &name, const QMap<QString, qint64> &values);
    // Removes every preset of that name, forgets it as last used, writes the list.
    void deletePreset(const CameraPreset &preset);
    // The first preset named lastUsedPresetName, if any.
    std::optional<CameraPreset> lastUsedPreset() const;

signals:
    void presetsChanged();
    void lastUsedPresetNameChanged();
    void saveFailedChanged();

private:
    void loadPresets();
    void persistPresets();
    void setPresets(const QList<CameraPreset> &presets);
    void setSaveFailed(bool failed);

    QList<CameraPreset> m_presets;
    std::optional<QString> m_lastUsedPresetName;
    bool m_saveFailed = false;
    // Bytes found under "Lumarel.Presets" that could not be read; kept aside
    // under "Lumarel.UnreadablePresets" before they are first overwritten.
    std::optional<QByteArray> m_unreadableDocument;
};

// Sets lastUsedPresetName and stores the name under lastUsedKey.
void recordLastUsedPreset(PresetManager &presets, const QString &name);
