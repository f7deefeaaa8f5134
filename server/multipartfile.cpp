#include "server/multipartfile.h"

#include "core/cloudprotocol.h"

#include <QList>

namespace {

constexpr QByteArrayView crlf("\r\n");

bool isSpace(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isSpace(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isSpace(text.back()))
        text.chop(1);
    return text;
}

// The value of `name` among the ";"-separated parameters of a header value, with quoted strings
// unquoted; a ";" inside quotes does not end a parameter.
QByteArray parameter(QByteArrayView header, QByteArrayView name)
{
    const qsizetype size = header.size();
    qsizetype i = header.indexOf(';');
    if (i < 0)
        return {};
    while (i < size) {
        const qsizetype keyStart = ++i;
        while (i < size && header.at(i) != '=' && header.at(i) != ';')
            ++i;
        const QByteArrayView key = trimmed(header.sliced(keyStart, i - keyStart));
        if (i >= size || header.at(i) == ';')
            continue;
        ++i;
        while (i < size && isSpace(header.at(i)))
            ++i;
        QByteArray value;
        if (i < size && header.at(i) == '"') {
            for (++i; i < size && header.at(i) != '"'; ++i) {
                if (header.at(i) == '\\' && i + 1 < size)
                    ++i;
                value += header.at(i);
            }
            while (i < size && header.at(i) != ';')
                ++i;
        } else {
            const qsizetype valueStart = i;
            while (i < size && header.at(i) != ';')
                ++i;
            value = trimmed(header.sliced(valueStart, i - valueStart)).toByteArray();
        }
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// Whether the part headers (the lines between the delimiter and the empty line) name the part `name`.
bool namesPart(QByteArrayView headers, QByteArrayView name)
{
    constexpr QByteArrayView disposition("content-disposition:");
    for (qsizetype start = 0; start < headers.size();) {
        qsizetype end = headers.indexOf(crlf, start);
        if (end < 0)
            end = headers.size();
        const QByteArrayView line = headers.sliced(start, end - start);
        if (line.size() >= disposition.size()
            && line.first(disposition.size()).compare(disposition, Qt::CaseInsensitive) == 0) {
            return parameter(line, "name") == name;
        }
        start = end + crlf.size();
    }
    return false;
}

} // namespace

MultipartFile::MultipartFile(const QByteArray &contentType, const QByteArray &body)
{
    const QByteArray boundary = MultipartFile::boundary(contentType);
    if (!boundary.isEmpty())
        find(boundary, body);
}

QByteArray MultipartFile::boundary(const QByteArray &contentType)
{
    const QByteArrayView type = trimmed(QByteArrayView(contentType).first(qMax(contentType.indexOf(';'), 0)));
    if (type.compare("multipart/form-data", Qt::CaseInsensitive) != 0)
        return {};
    // RFC 2046 allows at most 70 characters; a longer one is no boundary a client made.
    const QByteArray value = parameter(contentType, "boundary");
    return value.size() <= 70 ? value : QByteArray();
}

void MultipartFile::find(const QByteArray &boundary, const QByteArray &body)
{
    const QByteArray delimiter = "--" + boundary;
    const QByteArray innerDelimiter = crlf.toByteArray() + delimiter;
    const QByteArrayView all(body);

    // The first delimiter may open the body; every later one follows a line break.
    qsizetype position = all.startsWith(delimiter) ? 0 : all.indexOf(innerDelimiter);
    if (position > 0)
        position += crlf.size();
    while (position >= 0) {
        qsizetype lineEnd = all.indexOf(crlf, position + delimiter.size());
        if (lineEnd < 0)
            return;
        const qsizetype headersStart = lineEnd + crlf.size();
        // A close delimiter ("--" after the boundary) ends a standard body; the desktop program's body
        // goes on after it, so the search simply continues with whatever part follows.
        qsizetype headersEnd;
        if (all.sliced(headersStart).startsWith(crlf))
            headersEnd = headersStart;
        else
            headersEnd = all.indexOf("\r\n\r\n", headersStart);
        if (headersEnd < 0)
            return;
        const qsizetype contentStart = headersEnd + (headersEnd == headersStart ? crlf.size() : 2 * crlf.size());
        const qsizetype contentEnd = all.indexOf(innerDelimiter, contentStart);
        if (contentEnd < 0)
            return;
        if (namesPart(all.sliced(headersStart, headersEnd - headersStart),
                      QByteArrayView(CloudProtocol::FilePart.latin1(), CloudProtocol::FilePart.size()))) {
            m_bytes = all.sliced(contentStart, contentEnd - contentStart);
            m_found = true;
            return;
        }
        position = contentEnd + crlf.size();
    }
}
