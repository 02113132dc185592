#pragma once

#include <QWidget>

// A page of the main tab strip. The window calls activated() each time the
// user selects the tab (by clicking it or through the menu).
class FeatureTab : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void activated() { }

Q_SIGNALS:
    // News for the user even when the window is in the background: the
    // window shows it as a tray message where the desktop has a tray.
    void trayMessage(const QString &title, const QString &text);
};
