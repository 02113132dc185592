#pragma once

#include "common/Engine.h"

#include <QDialog>

class AppContext;
class Endpoints;
class QComboBox;
class QWebEngineProfile;

// "搜索引擎屏蔽设置": the fetch interval per engine, and two browsers in which
// the user can see whether an engine blocks the program and answer its
// challenge.
class IntervalDialog : public QDialog
{
    Q_OBJECT
public:
    // Without a profile the two browsers are left out.
    IntervalDialog(AppContext &context, QWebEngineProfile *profile, QWidget *parent = nullptr);

    static QString googleAddress(const Endpoints &endpoints);
    static QString baiduAddress(const Endpoints &endpoints);

private:
    void choose(Engine e, const QString &text);

    AppContext &m_context;
    QComboBox *m_boxes[3] = {nullptr, nullptr, nullptr};
};
