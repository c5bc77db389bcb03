#pragma once

#include "camerapreset.h"

#include <QList>
#include <QWidget>

class ElidedLabel;
class PresetManager;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class UVCController;

// One stored preset with its Update, Load and delete buttons. The row acts on
// the copy of the preset it was last drawn with.
class PresetRow : public QWidget {
    Q_OBJECT

public:
    PresetRow(const CameraPreset &preset, bool emphasised, QWidget *parent = nullptr);
    QString id() const { return m_preset.id(); }
    void setPreset(const CameraPreset &preset, bool emphasised);

signals:
    void updateRequested(const CameraPreset &preset);
    void loadRequested(const CameraPreset &preset);
    void deleteRequested(const CameraPreset &preset);

private:
    CameraPreset m_preset;
    ElidedLabel *m_name;
    QPushButton *m_update;
    QPushButton *m_load;
    QToolButton *m_delete;
};

// "Presets": the name field with Save and Reset, one row per stored preset,
// a hint while there is none, and a caption while the list could not be
// stored. The typed name lives here for the life of
// the panel and is emptied only by a successful Save.
class PresetsSection : public QWidget {
    Q_OBJECT

public:
    PresetsSection(UVCController &uvc, PresetManager &presets, QWidget *parent = nullptr);

    void render();

    // Stores the current control values under the name as typed (blanks
    // kept) and records it as last used; names of blanks only store nothing.
    void saveCurrentPreset();
    // Applies the preset's values and records it as last used.
    void applyPreset(const CameraPreset &preset);

private:
    void updateSaveEnabled();

    UVCController &m_uvc;
    PresetManager &m_presets;
    QLineEdit *m_name;
    QPushButton *m_save;
    QPushButton *m_reset;
    QWidget *m_rowsBox;
    QVBoxLayout *m_rowsColumn;
    QLabel *m_empty;
    QLabel *m_notSaved;
    QList<PresetRow *> m_rows;
};
