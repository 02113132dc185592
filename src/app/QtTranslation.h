#pragma once

class QCoreApplication;
class QTranslator;

// Qt's own dialogs (file dialogs, input boxes, standard buttons) in
// Chinese, like the rest of the window: loads Qt's qtbase_zh_CN catalogue
// from Qt's translations folder, else from "translations" beside the
// program, and installs it on `app`, which owns it. nullptr when no
// catalogue was found; the dialogs then stay in English.
QTranslator *installQtChinese(QCoreApplication &app);
