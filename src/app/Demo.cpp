#include "app/Demo.h"

#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "rank/RankFormats.h"
#include "store/TextFiles.h"

#include <QDir>

namespace Demo {

void seedRankLists(const QString &dataDir)
{
    SettingsStore settings(QDir(dataDir).filePath(QStringLiteral("settings.ini")));
    settings.WriteValue(SettingNames::kRankSites,
                        QStringLiteral("www.veltrana-demo.com$www.trailgear-shop.com$blog.seo-garden.net"));
    RankFormats::Options options;
    options.engines = {true, true, true};
    options.depthIndex = 1;
    options.allMatches = true;
    settings.WriteValue(RankFormats::setting3Name(), RankFormats::formatOptions(options));
    TextFiles::writeLines(
        QDir(dataDir).filePath(QStringLiteral("mykw.txt")),
        {QStringLiteral("rank tracker$hiking boots$keyword rank checker$seo audit$") + QString::fromUtf8("登山鞋")});
}

} // namespace Demo
