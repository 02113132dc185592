#include "research/MiningSettings.h"

#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "context/AppContext.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

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

QString readSeed(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    QByteArray line = bytes.left(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    // Older files are in the ANSI code page; files edited elsewhere are often UTF-8.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(line);
    if (utf8.hasError()) {
        QStringDecoder gb("GB18030");
        text = gb.decode(line);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

bool saveSeed(const QString &file, const QString &seed)
{
    const QString text = seed.trimmed();
    if (text.toLower() == u"qq")
        return false;
    QStringEncoder gb("GB18030");
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(gb.encode(text + QStringLiteral("\r\n")));
    return out.commit();
}

} // namespace MiningSettings
