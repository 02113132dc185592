#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// One HTML page parsed by libxml2's forgiving HTML parser, queried with XPath
// 1.0. Broken markup (unclosed tags, unquoted attributes) still gives a tree,
// the way browsers and lxml read it.
class HtmlDocument
{
public:
    explicit HtmlDocument(const QString &page);
    ~HtmlDocument();
    HtmlDocument(const HtmlDocument &) = delete;
    HtmlDocument &operator=(const HtmlDocument &) = delete;

    bool isValid() const { return m_doc != nullptr; }

    // The values the expression selects, in document order: the text of
    // each selected element or attribute, or the one string, number or
    // boolean the expression gives. An expression libxml2 cannot compile
    // gives nothing and sets `error`.
    QStringList select(const QString &xpath, QString *error = nullptr) const;

    // Whether the expression compiles; `error` says why not.
    static bool compiles(const QString &xpath, QString *error = nullptr);

private:
    struct Doc;
    Doc *m_doc = nullptr;
};
