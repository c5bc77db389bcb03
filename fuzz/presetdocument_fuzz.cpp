// The preset document comes from a file anyone can edit: reading it must never
// crash, and whatever it accepts must be written back and read again unchanged.
#include "camerapreset.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Our reader is stricter than Qt's, never looser: what it accepts Qt reads as
// the same names, and as the same values wherever a double holds them exactly.
bool agreesWithQt(const QByteArray &input, const QList<CameraPreset> &presets)
{
    // Qt's reader drops a U+FEFF that opens a string or a member name, where
    // ours keeps the text as written; such documents cannot be compared.
    if (input.indexOf("\xEF\xBB\xBF", 1) >= 0)
        return true;
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(input, &error);
    if (error.error != QJsonParseError::NoError || !json.isArray() || json.array().size() != presets.size())
        return false;
    constexpr qint64 kExactInDouble = qint64(1) << 53;
    for (qsizetype i = 0; i < presets.size(); ++i) {
        const QJsonObject object = json.array().at(i).toObject();
        if (object.value(QLatin1StringView("name")).toString() != presets.at(i).name)
            return false;
        const QJsonObject values = object.value(QLatin1StringView("values")).toObject();
        if (values.size() != presets.at(i).values.size())
            return false;
        for (auto it = presets.at(i).values.begin(); it != presets.at(i).values.end(); ++it) {
            if (it.value() >= -kExactInDouble && it.value() <= kExactInDouble
                && values.value(it.key()).toInteger(it.value() + 1) != it.value())
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<QList<CameraPreset>> decoded = decodePresetDocument(input);
    if (!decoded)
        return 0;
    if (!agreesWithQt(input, *decoded))
        std::abort();

    const QByteArray encoded = encodePresetDocument(*decoded);
    // The writer maps distinct lists to distinct bytes, so equal bytes after a
    // second read and write mean the list came back unchanged.
    const std::optional<QList<CameraPreset>> again = decodePresetDocument(encoded);
    if (!again || encodePresetDocument(*again) != encoded)
        std::abort();
    return 0;
}
