#include "pagerules/HtmlDocument.h"

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

namespace {

// libxml2 reports through a global callback; the parser is told not to,
// and XPath compile errors are caught here rather than printed.
void quiet(void *, const char *, ...) { }

QString fromXml(const xmlChar *text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QString();
}

QString nodeText(xmlNodePtr node)
{
    xmlChar *content = xmlNodeGetContent(node);
    const QString out = fromXml(content);
    xmlFree(content);
    return out;
}

// hasclass('b_algo'): the context element's class list holds that name, as
// lxml's has-class. Rule files stay readable without the concat() idiom.
void hasClass(xmlXPathParserContextPtr ctxt, int nargs)
{
    if (nargs != 1) {
        xmlXPathSetArityError(ctxt);
        return;
    }
    xmlChar *wanted = xmlXPathPopString(ctxt);
    bool found = false;
    xmlNodePtr node = ctxt->context->node;
    if (node && node->type == XML_ELEMENT_NODE && wanted) {
        xmlChar *cls = xmlGetProp(node, BAD_CAST "class");
        if (cls) {
            const QStringList names = fromXml(cls).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            found = names.contains(fromXml(wanted).trimmed());
            xmlFree(cls);
        }
    }
    xmlFree(wanted);
    valuePush(ctxt, xmlXPathNewBoolean(found ? 1 : 0));
}

} // namespace

struct HtmlDocument::Doc {
    htmlDocPtr doc = nullptr;
};

HtmlDocument::HtmlDocument(const QString &page)
{
    xmlSetGenericErrorFunc(nullptr, quiet);
    const QByteArray bytes = page.toUtf8();
    htmlDocPtr doc = htmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, "UTF-8",
                                    HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET
                                        | HTML_PARSE_COMPACT);
    if (doc)
        m_doc = new Doc{doc};
}

HtmlDocument::~HtmlDocument()
{
    if (m_doc)
        xmlFreeDoc(m_doc->doc);
    delete m_doc;
}

bool HtmlDocument::compiles(const QString &xpath, QString *error)
{
    xmlSetGenericErrorFunc(nullptr, quiet);
    xmlXPathContextPtr ctx = xmlXPathNewContext(nullptr);
    xmlXPathRegisterFunc(ctx, BAD_CAST "hasclass", hasClass);
    const QByteArray expr = xpath.toUtf8();
    xmlXPathCompExprPtr comp = xmlXPathCtxtCompile(ctx, BAD_CAST expr.constData());
    const bool ok = comp != nullptr;
    if (!ok && error) {
        const xmlError *e = xmlGetLastError();
        *error = e && e->message ? QString::fromUtf8(e->message).trimmed() : QStringLiteral("not an XPath expression");
    }
    xmlXPathFreeCompExpr(comp);
    xmlXPathFreeContext(ctx);
    return ok;
}

QStringList HtmlDocument::select(const QString &xpath, QString *error) const
{
    QStringList out;
    if (!m_doc)
        return out;
    xmlSetGenericErrorFunc(nullptr, quiet);
    xmlXPathContextPtr ctx = xmlXPathNewContext(m_doc->doc);
    xmlXPathRegisterFunc(ctx, BAD_CAST "hasclass", hasClass);
    const QByteArray expr = xpath.toUtf8();
    xmlXPathObjectPtr result = xmlXPathEvalExpression(BAD_CAST expr.constData(), ctx);
    if (!result) {
        if (error)
            *error = QStringLiteral("not an XPath expression");
    } else {
        switch (result->type) {
        case XPATH_NODESET:
            if (result->nodesetval) {
                for (int i = 0; i < result->nodesetval->nodeNr; ++i)
                    out << nodeText(result->nodesetval->nodeTab[i]);
            }
            break;
        case XPATH_STRING: out << fromXml(result->stringval); break;
        case XPATH_NUMBER: out << QString::number(result->floatval, 'g', 15); break;
        case XPATH_BOOLEAN:
            if (result->boolval)
                out << QStringLiteral("true");
            break;
        default: break;
        }
        xmlXPathFreeObject(result);
    }
    xmlXPathFreeContext(ctx);
    return out;
}
