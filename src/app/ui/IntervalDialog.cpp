#include "app/ui/IntervalDialog.h"

#include "app/ui/SilentPage.h"
#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "context/AppContext.h"
#include "engines/EnginePacing.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWebEngineView>

IntervalDialog::IntervalDialog(AppContext &context, QWebEngineProfile *profile, QWidget *parent)
    : QDialog(parent),
      m_context(context)
{
    setObjectName(QStringLiteral("intervalDialog"));
    setWindowTitle(QStringLiteral("搜索引擎屏蔽设置"));

    auto *layout = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    for (Engine e : kEngines) {
        const int row = engineIndex(e);
        auto *box = new QComboBox(this);
        box->setObjectName(engineKey(e) + QStringLiteral("Interval"));
        for (int seconds = 3; seconds <= 10; ++seconds)
            box->addItem(QString::number(seconds));
        bool ok = false;
        const int value = m_context.settings().ReadValue(SettingNames::engineInterval(e)).trimmed().toInt(&ok);
        // A stored value outside 3-10 shows no selection; the features still use it.
        box->setCurrentIndex(ok ? (value >= 3 && value <= 10 ? value - 3 : -1) : 5 - 3);
        connect(box, &QComboBox::activated, this, [this, e, box](int index) { choose(e, box->itemText(index)); });
        auto *label = new QLabel(QStringLiteral("抓取") + engineLabel(e) + QStringLiteral("时间间隔："), this);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        m_boxes[row] = box;
    }
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);

    auto *explain =
        new QLabel(QStringLiteral("无法正常获取数据。解决方案是：设置软件抓取搜索引擎的时间间隔，越长越好。"), this);
    explain->setObjectName(QStringLiteral("intervalExplain"));
    explain->setWordWrap(true);
    layout->addWidget(explain);
    auto *challenge = new QLabel(QStringLiteral("如果以下浏览器显示有被屏蔽提示，并提示您输入验证码，请按照其提示输入，"
                                                "验证通过后，短时间内不会再出现被屏蔽的现象。"),
                                 this);
    challenge->setObjectName(QStringLiteral("challengeExplain"));
    challenge->setWordWrap(true);
    layout->addWidget(challenge);

    if (profile) {
        auto *browsers = new QHBoxLayout;
        const QString addresses[] = {googleAddress(m_context.endpoints()), baiduAddress(m_context.endpoints())};
        const QString names[] = {QStringLiteral("googleBrowser"), QStringLiteral("baiduBrowser")};
        for (int i = 0; i < 2; ++i) {
            auto *view = new QWebEngineView(this);
            view->setObjectName(names[i]);
            view->setPage(new SilentPage(profile, view));
            view->setMinimumSize(360, 300);
            if (!addresses[i].isEmpty())
                view->load(QUrl(addresses[i]));
            browsers->addWidget(view);
        }
        layout->addLayout(browsers, 1);
    }
}

QString IntervalDialog::googleAddress(const Endpoints &endpoints)
{
    return endpoints.url(Endpoints::Service::Google, QStringLiteral("/?wd=seo"));
}

QString IntervalDialog::baiduAddress(const Endpoints &endpoints)
{
    const QString host = endpoints.host(Endpoints::Service::Baidu);
    if (host.isEmpty())
        return {};
    return endpoints.url(Endpoints::Service::Baidu, QStringLiteral("/s?wd=site%3A") + host);
}

void IntervalDialog::choose(Engine e, const QString &text)
{
    SettingsStore &settings = m_context.settings();
    settings.CreateKey();
    settings.WriteValue(SettingNames::engineInterval(e), text);
    // The next request to the engine waits the new interval.
    m_context.pacing().setWaitSeconds(e, text.toInt());
}
