#pragma once

#include <QByteArray>
#include <QString>

// The character-set rules of the text files in the data folder. The program
// writes them in GB18030 (the ANSI code page's superset) with CRLF line ends,
// so that is how it reads them back: a file in UTF-8 is recognised only by
// its byte-order mark. Trying UTF-8 first would misread short GB18030 texts
// such as "小说" (d0 a1 cb b5), whose bytes happen to be valid UTF-8.
namespace TextFile {

// A file the program wrote (or an older version did): UTF-8 only with a
// byte-order mark, else GB18030. The mark is not part of the text.
QString decodeOwn(const QByteArray &bytes);

// A file the user brings in from elsewhere (an import): a byte-order mark
// says UTF-8 or UTF-16 (little or big end, as Windows tools and the keyword
// planner write it); without one, text that is valid UTF-8 and holds a
// character outside ASCII written as a multi-byte sequence of three or more
// bytes is UTF-8 (CJK text in UTF-8 always does, while GB18030 text is
// two-byte pairs that UTF-8 rejects); anything else is GB18030. `valid`, when
// given, tells whether the bytes were all well-formed in the set chosen
// (invalid ones come out as U+FFFD).
QString decodeImport(const QByteArray &bytes, bool *valid = nullptr);

// `text` in GB18030 with every line break written as CRLF.
QByteArray encodeOwn(const QString &text);

} // namespace TextFile
