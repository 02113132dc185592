#include "app/ui/MainWindow.h"
#include "common/AppContext.h"
#include "common/DataFolder.h"
#include "common/ui/DialogPrompter.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString dataDir = DataFolder::resolve(app.arguments().mid(1), QCoreApplication::applicationDirPath());
    AppContext context(QCoreApplication::applicationDirPath(), dataDir);
    context.loadEndpoints();
    context.openDatabase();
    context.loadPacing();
    MainWindow window(context);
    DialogPrompter prompter(&window);
    context.setPrompter(&prompter);
    window.show();
    return app.exec();
}
