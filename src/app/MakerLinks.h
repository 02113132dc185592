#pragma once

#include <QList>
#include <QString>
#include <QUrl>

class Endpoints;

// The maker's pages that the menus open in the user's browser.
namespace MakerLinks {

struct Link {
    QString caption;
    QString path; // on the maker endpoint
};

// The five entries of "关于软件(&A)" after "软件说明".
QList<Link> aboutLinks();
// "在线帮助".
Link helpLink();

// The address of a maker page, or an invalid QUrl when the maker endpoint is
// empty or the address is not http/https (nothing else is handed to the
// desktop to open).
QUrl pageUrl(const Endpoints &endpoints, const QString &path);

} // namespace MakerLinks
