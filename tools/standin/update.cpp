// The update server: the updater's version page and the files it lists.

#include "pages.h"

namespace standin::detail {

namespace {

QString publishedUpdate(const World &world)
{
    return world.updateVersion.isEmpty() ? world.version : world.updateVersion;
}

QByteArray programFile(const World &world)
{
    // Stands in for the new main program: a script that says what it is.
    return "#!/bin/sh\necho 'Veltrana " + publishedUpdate(world).toUtf8() + " from the stand-in update server'\n";
}

QMap<QString, QByteArray> downloadsOf(const World &world)
{
    QMap<QString, QByteArray> files;
    files.insert(QStringLiteral("notes.txt"),
                 "Veltrana " + publishedUpdate(world).toUtf8() + " release notes\r\n- faster rank checks\r\n");
    files.insert(QStringLiteral("veltrana-newver"), programFile(world));
    for (auto it = world.downloads.cbegin(); it != world.downloads.cend(); ++it)
        files.insert(it.key(), it.value());
    return files;
}

QString filesValue(const World &world)
{
    if (world.updateFilesSet)
        return world.updateFiles;
    const QString dir = world.baseUrl + QStringLiteral("/update/files/");
    return dir + QStringLiteral("notes.txt||") + dir + QStringLiteral("veltrana-newver");
}

QByteArray versionPage(const World &world)
{
    // The inputs are written three ways on purpose (quotes, order, case), as
    // hand-made pages are; the commented-out one is no input at all.
    QByteArray page = utf8Head(QStringLiteral("Veltrana 在线更新"));
    page += "<body>\n<h2>Veltrana</h2>\n<!-- <input name=\"ver\" value=\"0.0\"> -->\n<form>\n";
    page += "<input type=\"hidden\" name=\"ver\" value=\"" + htmlEscape(publishedUpdate(world)).toUtf8() + "\">\n";
    page += "<INPUT value='" + htmlEscape(filesValue(world)).toUtf8() + "' name='files' type=hidden>\n";
    page += "<input name=names type=hidden value=\"" + htmlEscape(world.updateNames).toUtf8() + "\" />\n";
    page += "</form>\n</body></html>\n";
    return page;
}

} // namespace

Page updateService(const ServiceRequest &req, const World &world)
{
    Page page;
    const QString path = req.path;
    if (path.compare(QLatin1String("/veltrana/ver.htm"), Qt::CaseInsensitive) == 0) {
        page.body = versionPage(world);
    } else if (path.startsWith(QLatin1String("/files/"))) {
        const QMap<QString, QByteArray> files = downloadsOf(world);
        const QString name = path.mid(7);
        if (!files.contains(name))
            return notFound(req);
        page.contentType = "application/octet-stream";
        page.body = files.value(name);
    } else if (path == QLatin1String("/")) {
        page.body = utf8Head(QStringLiteral("Veltrana updates"))
            + "<body><h1>Veltrana updates</h1><p><a href=\"veltrana/ver.htm\">version page</a></p></body></html>\n";
    } else {
        return notFound(req);
    }
    return page;
}

} // namespace standin::detail
