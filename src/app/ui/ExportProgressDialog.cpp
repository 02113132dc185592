#include "app/ui/ExportProgressDialog.h"

#include "common/Wait.h"

#include <QProgressDialog>
#include <QThread>

#include <memory>

namespace {
constexpr int kShowAfterMs = 1000;
} // namespace

ExportProgressDialog::ExportProgressDialog(QWidget *parent)
    : m_dialog(new QProgressDialog(QStringLiteral("正在导出数据，请稍候..."), QStringLiteral("取消"), 0, 100, parent))
{
    m_dialog->setObjectName(QStringLiteral("exportProgress"));
    m_dialog->setWindowTitle(QStringLiteral("导出数据"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(kShowAfterMs);
    // It goes when the export ends, not when the bar is full: packing a
    // workbook may still follow.
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
}

ExportProgressDialog::~ExportProgressDialog() { delete m_dialog; }

bool ExportProgressDialog::update(int percent)
{
    if (m_dialog->wasCanceled())
        return false;
    // Shows the dialog once the export is long enough to need it; once it
    // is up, each new value lets the window handle its events.
    m_dialog->setValue(percent);
    return !m_dialog->wasCanceled();
}

void ExportProgressDialog::runAside(const std::function<void()> &step)
{
    // The step tells no progress of its own: the bar says "busy" meanwhile.
    const QString label = m_dialog->labelText();
    const int value = m_dialog->value();
    m_dialog->setLabelText(QStringLiteral("正在生成文件，请稍候..."));
    m_dialog->setRange(0, 0);
    std::unique_ptr<QThread> thread(QThread::create(step));
    Wait wait;
    QObject::connect(thread.get(), &QThread::finished, &wait, &Wait::done);
    thread->start();
    wait.run(Wait::kNoLimit);
    // The step cannot be cut short, only its result dropped: a wait ended
    // from outside (the program quitting) still lets it finish.
    thread->wait();
    m_dialog->setRange(0, 100);
    m_dialog->setValue(value);
    m_dialog->setLabelText(label);
}
