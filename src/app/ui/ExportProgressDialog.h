#pragma once

#include "reports/ReportExport.h"

class QProgressDialog;
class QWidget;

// The window's side of a long export: a modal progress dialog with a cancel
// that appears once the export has run for a second. While it is up the
// window keeps painting between blocks of rows, and clicks reach nothing but
// the dialog, so no list changes while it is written.
class ExportProgressDialog : public ExportProgress
{
public:
    explicit ExportProgressDialog(QWidget *parent);
    ~ExportProgressDialog() override;

    bool update(int percent) override;
    // The step runs on a thread of its own while this one waits with events.
    void runAside(const std::function<void()> &step) override;

private:
    QProgressDialog *m_dialog;
};
