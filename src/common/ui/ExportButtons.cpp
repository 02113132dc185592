#include "common/ui/ExportButtons.h"

#include "common/ui/ResultListView.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace {
constexpr ReportFormat kFormats[] = {ReportFormat::Text, ReportFormat::Html, ReportFormat::Workbook, ReportFormat::Csv};

const char *buttonName(ReportFormat format)
{
    switch (format) {
    case ReportFormat::Text: return "exportTxt";
    case ReportFormat::Html: return "exportHtml";
    case ReportFormat::Workbook: return "exportExcel";
    case ReportFormat::Csv: break;
    }
    return "exportCsv";
}
} // namespace

ExportButtons::ExportButtons(const ResultListView &view, ReportKind kind, ExporterSource exporter, Verb verb,
                             QWidget *parent)
    : QWidget(parent),
      m_view(view),
      m_kind(kind),
      m_exporter(std::move(exporter))
{
    setObjectName(QStringLiteral("exportButtons"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (ReportFormat format : kFormats) {
        auto *b = new QPushButton(caption(verb, format), this);
        b->setObjectName(QLatin1String(buttonName(format)));
        connect(b, &QPushButton::clicked, this, [this, format] {
            ListExporter *e = m_exporter ? m_exporter() : nullptr;
            if (e && m_view.resultList())
                e->exportList(*m_view.resultList(), m_view.keptColumns(), m_kind, format);
        });
        m_buttons[static_cast<int>(format)] = b;
        layout->addWidget(b);
    }
    layout->addStretch();
}

QPushButton *ExportButtons::button(ReportFormat format) const { return m_buttons[static_cast<int>(format)]; }

QString ExportButtons::caption(Verb verb, ReportFormat format)
{
    QString text = verb == Verb::Save ? QStringLiteral("保存至") : QStringLiteral("导出至");
    switch (format) {
    case ReportFormat::Text: return text + QStringLiteral("Txt");
    case ReportFormat::Html: return text + QStringLiteral("Html");
    case ReportFormat::Workbook: return text + QStringLiteral("Excel");
    case ReportFormat::Csv: break;
    }
    return text + QStringLiteral("CSV");
}
