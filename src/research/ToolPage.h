#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <optional>

// The keyword tool page as the volume query drives it: load it, find its
// elements by id, fill fields, press its button and read the results area.
// The tab backs it with its embedded browser; every call returns within a
// short bound even when the page does not answer.
class ToolPage : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void load(const QUrl &address) = 0;
    virtual bool hasElement(const QString &id) = 0;
    virtual void setValue(const QString &id, const QString &value) = 0;
    virtual void click(const QString &id) = 0;
    // The element's inner markup; nothing when the page has no such element.
    virtual std::optional<QString> innerHtml(const QString &id) = 0;

Q_SIGNALS:
    // A page finished loading (the browser's document-complete).
    void loadFinished(const QUrl &address, bool ok);
};
