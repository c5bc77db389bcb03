#include "presetmanager.h"

#include "preferences.h"

#include <algorithm>

namespace {

// Unreadable documents are kept under "Lumarel.UnreadablePresets", then
// "Lumarel.UnreadablePresets2", "...3": an earlier one is never replaced by
// a later one, and a document already kept is not kept twice.
QByteArray unreadableKey(int slot)
{
    QByteArray key = Preferences::kUnreadablePresets;
    if (slot > 1)
        key += QByteArray::number(slot);
    return key;
}

bool keepUnreadableDocument(const QByteArray &document)
{
    constexpr int kSlots = 1000;
    for (int slot = 1; slot <= kSlots; ++slot) {
        const QByteArray key = unreadableKey(slot);
        if (!Preferences::contains(key.constData()))
            return Preferences::setData(key.constData(), document);
        if (Preferences::data(key.constData()) == document)
            return true;
    }
    return false;
}

} // namespace

PresetManager::PresetManager(QObject *parent)
    : QObject(parent)
    , key(QString::fromLatin1(Preferences::kPresets))
    , lastUsedKey(QString::fromLatin1(Preferences::kLastUsedPreset))
{
    loadPresets();
    setLastUsedPresetName(Preferences::string(Preferences::kLastUsedPreset));
}

void PresetManager::setLastUsedPresetName(const std::optional<QString> &name)
{
    m_lastUsedPresetName = name;
    emit lastUsedPresetNameChanged();
}

void PresetManager::setPresets(const QList<CameraPreset> &presets)
{
    m_presets = presets;
    emit presetsChanged();
}

void PresetManager::loadPresets()
{
    m_unreadableDocument.reset();
    const std::optional<QByteArray> document = Preferences::data(Preferences::kPresets);
    if (!document) {
        // A damaged byte string reads back as text; it counts as no list,
        // but what it holds is kept aside like any unreadable document.
        m_unreadableDocument = Preferences::damagedData(Preferences::kPresets);
        setPresets({});
        return;
    }
    std::optional<QList<CameraPreset>> presets = decodePresetDocument(*document);
    if (!presets) {
        m_unreadableDocument = document;
        setPresets({});
        return;
    }
    setPresets(*presets);
}

void PresetManager::persistPresets()
{
    // Reading stays strict, but the presets of a document this version cannot
    // read must not be lost: they are kept aside before the first overwrite,
    // and nothing is overwritten while they could not be kept. An empty value
    // holds nothing to recover.
    if (m_unreadableDocument && !m_unreadableDocument->isEmpty()) {
        if (!keepUnreadableDocument(*m_unreadableDocument)) {
            setSaveFailed(true);
            return;
        }
    }
    m_unreadableDocument.reset();
    // The list in memory stays as the user made it either way: the next
    // change writes it whole again, and the panel says it is not stored yet.
    setSaveFailed(!Preferences::setData(Preferences::kPresets, encodePresetDocument(m_presets)));
}

void PresetManager::setSaveFailed(bool failed)
{
    if (m_saveFailed == failed)
        return;
    m_saveFailed = failed;
    emit saveFailedChanged();
}

void PresetManager::savePreset(const QString &name, const QMap<QString, qint64> &values)
{
    QList<CameraPreset> presets = m_presets;
    presets.removeIf([&](const CameraPreset &preset) { return presetNamesEqual(preset.name, name); });
    presets.append(CameraPreset{name, values});
    setPresets(presets);
    persistPresets();
}

void PresetManager::updatePreset(const QString &name, const QMap<QString, qint64> &values)
{
    const auto found = std::find_if(m_presets.cbegin(), m_presets.cend(), [&](const CameraPreset &preset) {
        return presetNamesEqual(preset.name, name);
    });
    if (found == m_presets.cend())
        return;
    QList<CameraPreset> presets = m_presets;
    presets[found - m_presets.cbegin()] = CameraPreset{name, values};
    setPresets(presets);
    persistPresets();
}

void PresetManager::deletePreset(const CameraPreset &preset)
{
    QList<CameraPreset> presets = m_presets;
    presets.removeIf([&](const CameraPreset &candidate) { return presetNamesEqual(candidate.name, preset.name); });
    setPresets(presets);
    if (m_lastUsedPresetName && presetNamesEqual(*m_lastUsedPresetName, preset.name)) {
        setLastUsedPresetName(std::nullopt);
        Preferences::remove(Preferences::kLastUsedPreset);
    }
    persistPresets();
}

std::optional<CameraPreset> PresetManager::lastUsedPreset() const
{
    if (!m_lastUsedPresetName)
        return std::nullopt;
    for (const CameraPreset &preset : m_presets) {
        if (presetNamesEqual(preset.name, *m_lastUsedPresetName))
            return preset;
    }
    return std::nullopt;
}

void recordLastUsedPreset(PresetManager &presets, const QString &name)
{
    presets.setLastUsedPresetName(name);
    Preferences::setString(Preferences::kLastUsedPreset, name);
}
