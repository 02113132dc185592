#pragma once

#include <QString>
#include <QStringList>

// The floors of the source tree and the includes each folder may make.
//
//   common -> web -> store, engines -> context -> features -> app -> main.cpp
//
// A folder includes from itself and from lower floors. Folders that share a
// floor (store and engines; the features) never include each other. Logic
// never includes a widget header (a `ui/` folder). The updater and the
// stand-in are programs of their own: they include only files beside them.
// The floors themselves are listed once, in src/floors.txt, which the build
// reads too.
namespace LayerRules {

// Where a tree lists its floors, relative to its root.
inline constexpr char kFloorsFile[] = "src/floors.txt";

// One broken rule: the file (relative to the root), the include as written
// and why it may not be there.
struct Violation {
    QString file;
    QString include;
    QString reason;
    QString toString() const
    {
        return file + QStringLiteral(": #include \"") + include + QStringLiteral("\" - ") + reason;
    }
};

// The floor of a top-level folder of root/src, or -1 when it has none.
int floorOf(const QString &root, const QString &folder);

// Checks every .h and .cpp under root/src and root/tools against the floors
// of root/src/floors.txt (a tree without one breaks a rule too).
QList<Violation> check(const QString &root);

} // namespace LayerRules
