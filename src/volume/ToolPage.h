#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

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

    // What reading an element came to. A page busy with its own scripts may
    // not answer in time: that says nothing about the element.
    struct Markup {
        enum class State { Found, Missing, NoAnswer };
        State state = State::NoAnswer;
        QString html;
    };
    // The element's inner markup.
    virtual Markup innerHtml(const QString &id) = 0;
    // Empties the element; false when it is missing or the page did not answer.
    virtual bool clearInnerHtml(const QString &id) = 0;

Q_SIGNALS:
    // A page finished loading (the browser's document-complete).
    void loadFinished(const QUrl &address, bool ok);
};
