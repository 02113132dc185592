#pragma once

#include "common/ListExporter.h"

#include <QWidget>
#include <functional>

class QPushButton;
class ResultListView;

// The four report buttons under a result list: text, HTML, workbook and CSV.
// A click hands the view's list and the columns it shows to the program's
// exporter (asked for at the click, so one installed later still counts).
class ExportButtons : public QWidget
{
    Q_OBJECT
public:
    // "导出至…" on most tabs, "保存至…" on the catalogue tab.
    enum class Verb { Export, Save };
    using ExporterSource = std::function<ListExporter *()>;

    ExportButtons(const ResultListView &view, ReportKind kind, ExporterSource exporter, Verb verb = Verb::Export,
                  QWidget *parent = nullptr);

    QPushButton *button(ReportFormat format) const;
    static QString caption(Verb verb, ReportFormat format);

private:
    const ResultListView &m_view;
    ReportKind m_kind;
    ExporterSource m_exporter;
    QPushButton *m_buttons[4];
};
