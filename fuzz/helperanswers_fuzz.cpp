// Everything uvcc-helper prints is read by the controller's answer checks
// before anything is published. Any bytes must be taken or refused without a
// crash, and whatever is taken must be something the panel can show: known
// controls in catalogue order, sliders with min <= max, devices with an id.
#include "controlcatalogue.h"
#include "helperanswers.h"

#include <QJsonArray>
#include <QJsonParseError>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// As the runner decodes a run's output: invalid UTF-8 is no answer.
QString decode(const uint8_t *data, size_t size)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(data, qsizetype(size)));
    return decoder.hasError() ? QString() : text;
}

template <typename Row>
void checkCatalogueOrder(const QList<Row> &rows, std::span<const ControlDefinition> catalogue)
{
    std::size_t next = 0;
    for (const Row &row : rows) {
        if (row.id != row.controlName)
            std::abort();
        while (next < catalogue.size() && QLatin1String(catalogue[next].controlName) != row.id)
            ++next;
        if (next == catalogue.size())
            std::abort(); // unknown control, or out of order
        ++next;
    }
}

void checkSliders(const QList<CameraSliderControl> &sliders)
{
    checkCatalogueOrder(sliders, sliderCatalogue());
    for (const CameraSliderControl &row : sliders) {
        if (row.min > row.max || row.step != 1)
            std::abort();
    }
}

// Re-derived from the answer as Qt reads it: one device per object with a
// string "vid" and "pid", in order, addressed by those two texts exactly as
// printed, joined by a colon.
void checkDevices(const QString &text, const QList<UVCDevice> &devices)
{
    QJsonParseError error;
    const QJsonDocument answer = QJsonDocument::fromJson(text.toUtf8(), &error);
    // A number beyond what a double holds: Qt refuses the whole text.
    if (error.error != QJsonParseError::NoError)
        return;
    QStringList expected;
    for (const QJsonValue &element : answer.array()) {
        const QJsonValue vid = element.toObject().value(QLatin1String("vid"));
        const QJsonValue pid = element.toObject().value(QLatin1String("pid"));
        if (vid.isString() && pid.isString())
            expected << vid.toString() + QLatin1Char(':') + pid.toString();
    }
    QStringList designators;
    for (const UVCDevice &device : devices)
        designators << HelperAnswers::addressed({QStringLiteral("export")}, device.id()).last();
    if (designators != expected)
        std::abort();
}

} // namespace

// The first byte picks the answer being read; the rest is the output.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QString text = decode(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        if (const auto devices = HelperAnswers::parseDevices(text))
            checkDevices(text, *devices);
        break;
    case 1:
        // "export" alone: the same object serves as values and as ranges.
        if (const auto values = HelperAnswers::parseObject(text)) {
            checkCatalogueOrder(HelperAnswers::toggleRows(*values), toggleCatalogue());
            checkSliders(HelperAnswers::sliderRows(*values, *values));
        }
        break;
    default: {
        // "export" and "ranges" in one input, split at the first NUL.
        const qsizetype cut = text.indexOf(QChar(0));
        const auto values = HelperAnswers::parseObject(text.left(cut < 0 ? text.size() : cut));
        const auto ranges = HelperAnswers::parseObject(cut < 0 ? QString() : text.mid(cut + 1));
        if (!values || !ranges)
            break;
        checkSliders(HelperAnswers::sliderRows(*values, *ranges));
        checkCatalogueOrder(HelperAnswers::toggleRows(*values), toggleCatalogue());
        break;
    }
    }
    return 0;
}
