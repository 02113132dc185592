#include "research/MiningSettings.h"

#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "context/AppContext.h"
#include "store/TextFiles.h"

namespace MiningSettings {

Boxes parseSetting1(const QString &text)
{
    Boxes boxes{};
    const QStringList fields = text.split(QLatin1Char('#'));
    for (int i = 0; i < int(boxes.size()) && i < fields.size(); ++i)
        boxes[i] = fields.at(i).trimmed().toInt() != 0;
    return boxes;
}

QString formatSetting1(const Boxes &boxes)
{
    QStringList fields;
    for (bool b : boxes)
        fields << (b ? QStringLiteral("1") : QStringLiteral("0"));
    return fields.join(QLatin1Char('#'));
}

Boxes loadBoxes(AppContext &context)
{
    SettingsStore &settings = context.settings();
    if (!settings.HasValue(SettingNames::kMiningOptions))
        settings.WriteValue(SettingNames::kMiningOptions, setting1Default());
    return parseSetting1(settings.ReadValue(SettingNames::kMiningOptions));
}

QString readSeed(const QString &file) { return TextFiles::readLines(file).value(0); }

bool saveSeed(const QString &file, const QString &seed, QString *failure)
{
    const QString text = seed.trimmed();
    if (text.toLower() == u"qq")
        return false;
    return TextFiles::writeLines(file, {text}, failure);
}

} // namespace MiningSettings
