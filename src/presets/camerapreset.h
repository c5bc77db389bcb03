#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <optional>

// A named snapshot of control values. Identified by its name alone; values
// are never compared. Switch values use the controller's encoding
// (1/0, auto exposure 8/1), which is stored data and must not change.
struct CameraPreset {
    QString name;
    QMap<QString, qint64> values;

    QString id() const { return name; }

    // Member names of the stored document.
    struct CodingKeys {
        static constexpr const char *name = "name";
        static constexpr const char *values = "values";
    };
};

// Exact, case- and blank-sensitive; canonically equivalent Unicode texts
// (composed and decomposed forms) are equal.
bool presetNamesEqual(const QString &a, const QString &b);

// The stored document: a compact JSON array of {"name": ..., "values": {...}}.
// Every list can be written (lone surrogates are escaped).
QByteArray encodePresetDocument(const QList<CameraPreset> &presets);
// Strict: one bad element, a non-integer value or a top level that is not an
// array rejects the whole document.
std::optional<QList<CameraPreset>> decodePresetDocument(const QByteArray &document);

Q_DECLARE_METATYPE(CameraPreset)
