// The preset document comes from a file anyone can edit: reading it must never
// crash, and whatever it accepts must be written back and read again unchanged.
#include "camerapreset.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool sameList(const QList<CameraPreset> &a, const QList<CameraPreset> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.at(i).name != b.at(i).name || a.at(i).values != b.at(i).values)
            return false;
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

    const std::optional<QByteArray> encoded = encodePresetDocument(*decoded);
    if (!encoded)
        std::abort();
    const std::optional<QList<CameraPreset>> again = decodePresetDocument(*encoded);
    if (!again || !sameList(*decoded, *again))
        std::abort();
    // Our own output is the fixed point: writing it again gives the same bytes.
    if (encodePresetDocument(*again) != encoded)
        std::abort();
    return 0;
}
