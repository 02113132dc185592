#pragma once

// The updater's one window: borderless, moved by its caption bar, with the
// message line, the version line, the progress line and bar and two buttons.
// It only shows what the UpdateRun says and passes the clicks to it.

#include "UpdateRun.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace updater {

class frmMain : public QWidget
{
    Q_OBJECT
public:
    explicit frmMain(UpdateRun &run, QWidget *parent = nullptr);

    // Message boxes shown over `parent`.
    static UpdateRun::Prompt boxPrompt(QWidget *parent);

    static QRect closeArea() { return {486, 5, 16, 16}; }
    static QRect minimiseArea() { return {468, 5, 16, 16}; }
    static int captionHeight() { return 24; }

Q_SIGNALS:
    void closed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void showSystemMenu(const QPoint &globalPos);

    UpdateRun &m_run;
    QLabel *m_message;
    QLabel *m_versionLine;
    QLabel *m_progressLine;
    QProgressBar *m_progressBar;
    QPushButton *m_update;
    QPushButton *m_skip;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

} // namespace updater
