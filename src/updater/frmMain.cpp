#include "frmMain.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

namespace updater {

namespace {

constexpr int Width = 509;
constexpr int Height = 336;
const QRect Band(108, 285, 504 - 108, 331 - 285);
const QRect VersionTextArea(2, 313, 108 - 2, 325 - 313);

QLabel *makeLine(QWidget *parent, const char *name, const QRect &geometry, int pointSize, bool bold)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    // What the version page says is text, never markup.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

} // namespace

UpdateRun::Prompt frmMain::boxPrompt(QWidget *parent)
{
    return [parent](UpdateRun::Icon icon, const QString &title, const QString &text) {
        QMessageBox box(icon == UpdateRun::Icon::Critical ? QMessageBox::Critical : QMessageBox::Information, title,
                        text, QMessageBox::Ok, parent);
        box.setTextFormat(Qt::PlainText); // the text may quote the version page
        box.exec();
    };
}

frmMain::frmMain(UpdateRun &run, QWidget *parent)
    : QWidget(parent),
      m_run(run)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("在线更新程序"));
    // No title bar of the system's: the window draws its own caption, and it
    // has no size to change.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(Width, Height);
    setMouseTracking(true);

    m_message = makeLine(this, "message", QRect(24, 56, 460, 30), 12, true);
    m_versionLine = makeLine(this, "versionLine", QRect(24, 96, 460, 22), 10, false);
    m_progressLine = makeLine(this, "progressLine", QRect(24, 196, 460, 22), 9, false);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setGeometry(24, 224, 460, 18);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->hide();

    m_update = new QPushButton(QStringLiteral("确定更新"), this);
    m_update->setObjectName(QStringLiteral("updateButton"));
    m_update->setGeometry(300, 294, 92, 28);
    m_update->setDefault(true);
    m_skip = new QPushButton(QStringLiteral("跳  过"), this);
    m_skip->setObjectName(QStringLiteral("skipButton"));
    m_skip->setGeometry(402, 294, 92, 28);

    connect(m_update, &QPushButton::clicked, &m_run, &UpdateRun::confirm);
    connect(m_skip, &QPushButton::clicked, &m_run, &UpdateRun::skip);
    connect(&m_run, &UpdateRun::messageChanged, m_message, &QLabel::setText);
    connect(&m_run, &UpdateRun::versionLineChanged, m_versionLine, &QLabel::setText);
    connect(&m_run, &UpdateRun::progressTextChanged, m_progressLine, &QLabel::setText);
    connect(&m_run, &UpdateRun::progressShown, m_progressBar, &QWidget::show);
    connect(&m_run, &UpdateRun::progressValueChanged, m_progressBar, &QProgressBar::setValue);
    connect(&m_run, &UpdateRun::busyChanged, m_update, [this](bool busy) { m_update->setEnabled(!busy); });
    connect(&m_run, &UpdateRun::finished, this, &QWidget::close);
}

void frmMain::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(246, 246, 244));
    // A raised edge all round, as the borderless window has no frame of its own.
    p.setPen(QColor(255, 255, 255));
    p.drawLine(0, 0, width() - 1, 0);
    p.drawLine(0, 0, 0, height() - 1);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(width() - 1, 0, width() - 1, height() - 1);
    p.drawLine(0, height() - 1, width() - 1, height() - 1);

    // Caption bar.
    const QRect caption(2, 2, width() - 5 - 2, 24 - 2);
    QLinearGradient across(caption.topLeft(), caption.topRight());
    across.setColorAt(0, QColor(19, 29, 47));
    across.setColorAt(1, QColor(204, 213, 219));
    p.fillRect(caption, across);
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::white);
    const QRect titleArea(6, 6, width() - 45 - 6, 20 - 6);
    p.drawText(titleArea, Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(QStringLiteral(" Freshet"), Qt::ElideRight, titleArea.width()));

    // Minimise and close glyphs where the clicks are taken.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 40, 60), 2)); // the bar is light at its right end
    const QRect mini = minimiseArea().adjusted(3, 3, -3, -3);
    p.drawLine(mini.left(), mini.bottom(), mini.right(), mini.bottom());
    const QRect cross = closeArea().adjusted(4, 4, -4, -4);
    p.drawLine(cross.topLeft(), cross.bottomRight());
    p.drawLine(cross.topRight(), cross.bottomLeft());
    p.setRenderHint(QPainter::Antialiasing, false);

    // The button band and the updater's own version.
    QLinearGradient down(Band.topLeft(), Band.bottomLeft());
    down.setColorAt(0, QColor(237, 237, 235));
    down.setColorAt(1, QColor(174, 174, 174));
    p.fillRect(Band, down);
    p.setFont(font());
    p.setPen(QColor(64, 64, 64));
    p.drawText(VersionTextArea, Qt::AlignCenter, QStringLiteral("version 1.0"));
}

void frmMain::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton)
        return;
    if (closeArea().contains(at)) {
        close();
    } else if (minimiseArea().contains(at)) {
        showMinimized();
    } else if (at.y() < captionHeight()) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        setCursor(Qt::SizeAllCursor);
    }
}

void frmMain::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging)
        move(event->globalPosition().toPoint() - m_dragOffset);
}

void frmMain::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        unsetCursor();
    } else if (event->button() == Qt::RightButton && event->position().y() < captionHeight()) {
        showSystemMenu(event->globalPosition().toPoint());
    }
}

void frmMain::showSystemMenu(const QPoint &globalPos)
{
    // The window has no system menu of its own without a title bar; this one
    // offers what the system's would, less the size entry.
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("systemMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("最小化(&N)"), this, &QWidget::showMinimized);
    menu->addSeparator();
    menu->addAction(QStringLiteral("关闭(&C)"), this, &QWidget::close);
    menu->popup(globalPos);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    m_run.cancel();
    event->accept();
    Q_EMIT closed();
}

} // namespace updater
