#pragma once

#include "common/ui/FeatureTab.h"
#include "volume/KeywordVolume.h"

class AppContext;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWebEngineView;
class ResultListView;
class WebToolPage;

// Tab 1 "Adwords关键词查询": the keyword tool page in an embedded browser
// (behind a cover picture unless it shows a captcha), the captcha frame,
// the result list and its add-to-database button. The query itself is
// KeywordVolume's; the tab shows and hides its parts around it.
class VolumeTab : public FeatureTab
{
    Q_OBJECT
public:
    explicit VolumeTab(AppContext &context, QWidget *parent = nullptr);
    ~VolumeTab() override;

    void activated() override;

    KeywordVolume &volume() { return *m_volume; }

    static QString busyCaption() { return QStringLiteral("查询中，请稍后，最多可能需要一分钟"); }

private:
    void onStart();
    void onRefetch();
    void onLoadFinished(const QUrl &address);
    void onQueryStarted();
    void onQueryEnded(KeywordVolume::Outcome outcome);
    void onReloading();
    void onAddToDatabase();
    void refreshStart();
    bool captchaShown() const;

    AppContext &m_context;
    QWebEngineView *m_view;
    WebToolPage *m_toolPage;
    KeywordVolume *m_volume;
    QLineEdit *m_keyword;
    QPushButton *m_start;
    QGroupBox *m_captchaFrame;
    QLineEdit *m_answer;
    QPushButton *m_refetch;
    QLabel *m_cover;
    QLabel *m_secondCover;
    ResultListView *m_list;
    QPushButton *m_addToDb;
    bool m_startAllowed = true; // what the last finished load or the query left
};
