#include "helperanswers.h"

#include "controlcatalogue.h"
#include "jsonnumbers.h"

#include <QJsonArray>
#include <QJsonParseError>

namespace HelperAnswers {

namespace {

// The fields a row takes from its catalogue entry alone.
template <typename Row>
Row catalogueRow(const ControlDefinition &definition)
{
    Row row;
    row.id = QString::fromLatin1(definition.controlName);
    row.controlName = row.id;
    row.label = QString::fromUtf8(definition.label);
    row.tooltip = QString::fromUtf8(definition.tooltip);
    return row;
}

} // namespace

QStringList addressed(const QStringList &arguments, const std::optional<QString> &designator)
{
    const bool isDevices = !arguments.isEmpty() && arguments.first() == QLatin1String("devices");
    if (!designator || isDevices)
        return arguments;
    return arguments + QStringList{*designator};
}

QStringList setArguments(const QString &controlName, qint64 value)
{
    return {QStringLiteral("set"), controlName, QString::number(value)};
}

std::optional<QJsonDocument> parseStrict(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(JsonNumbers::exactIntegersOnly(text.toUtf8()), &error);
    if (error.error != QJsonParseError::NoError || !(document.isArray() || document.isObject()))
        return std::nullopt;
    return document;
}

std::optional<QJsonObject> parseObject(const QString &text)
{
    const auto document = parseStrict(text);
    if (!document || !document->isObject())
        return std::nullopt;
    return document->object();
}

std::optional<qint64> integerValue(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    // toInteger() answers its default for anything that is not an exact
    // 64-bit integer; two different defaults tell a real value from that.
    const qint64 a = value.toInteger(0);
    const qint64 b = value.toInteger(1);
    if (a != b)
        return std::nullopt;
    return a;
}

std::optional<UVCDevice> parseDevice(const QJsonObject &object)
{
    const QJsonValue vid = object.value(QLatin1String("vid"));
    const QJsonValue pid = object.value(QLatin1String("pid"));
    if (!vid.isString() || !pid.isString())
        return std::nullopt;
    const QJsonValue name = object.value(QLatin1String("name"));
    const QJsonValue manufacturer = object.value(QLatin1String("manufacturer"));
    UVCDevice device;
    device.vid = vid.toString();
    device.pid = pid.toString();
    device.name = name.isString() ? name.toString() : QStringLiteral("Unknown Camera");
    device.manufacturer = manufacturer.isString() ? manufacturer.toString() : QString();
    return device;
}

std::optional<QList<UVCDevice>> parseDevices(const QString &text)
{
    const auto document = parseStrict(text);
    if (!document || !document->isArray())
        return std::nullopt;
    const QJsonArray array = document->array();
    QList<UVCDevice> devices;
    for (const QJsonValue &element : array) {
        if (!element.isObject())
            return std::nullopt;
        if (auto device = parseDevice(element.toObject()))
            devices.append(*device);
    }
    return devices;
}

QList<CameraSliderControl> sliderRows(const QJsonObject &values, const QJsonObject &ranges)
{
    QList<CameraSliderControl> rows;
    if (values.isEmpty() || ranges.isEmpty())
        return rows;
    for (const ControlDefinition &definition : sliderCatalogue()) {
        const QString name = QString::fromLatin1(definition.controlName);
        const QJsonValue range = ranges.value(name);
        if (!range.isObject())
            continue;
        const auto min = integerValue(range.toObject().value(QLatin1String("min")));
        const auto max = integerValue(range.toObject().value(QLatin1String("max")));
        const auto value = integerValue(values.value(name));
        if (!min || !max || !value)
            continue;
        auto row = catalogueRow<CameraSliderControl>(definition);
        row.value = *value;
        row.min = std::min(*min, *max);
        row.max = std::max(*min, *max);
        row.step = 1;
        rows.append(row);
    }
    return rows;
}

QList<CameraToggleControl> toggleRows(const QJsonObject &values)
{
    QList<CameraToggleControl> rows;
    for (const ControlDefinition &definition : toggleCatalogue()) {
        const QString name = QString::fromLatin1(definition.controlName);
        const auto value = integerValue(values.value(name));
        if (!value)
            continue;
        auto row = catalogueRow<CameraToggleControl>(definition);
        row.value = switchStateFromValue(name, *value);
        rows.append(row);
    }
    return rows;
}

} // namespace HelperAnswers
