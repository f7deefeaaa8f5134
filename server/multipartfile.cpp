#include "server/multipartfile.h"

#include "core/cloudprotocol.h"

#include <QList>

#include <utility>

namespace {

constexpr QByteArrayView crlf("\r\n");
// A part's delimiter line and headers; a browser's or curl's take a few hundred bytes.
constexpr qsizetype maxPartHead = 16 * 1024;

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

MultipartFile::MultipartFile(const QByteArray &contentType, Sink sink)
    : m_sink(std::move(sink))
{
    const QByteArray boundary = MultipartFile::boundary(contentType);
    if (boundary.isEmpty()) {
        m_state = State::Failed;
        return;
    }
    // Every delimiter follows a line break, except one that opens the body: a line break put in front
    // of the body makes that one like the others.
    m_delimiter = crlf.toByteArray() + "--" + boundary;
    m_pending = crlf.toByteArray();
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

bool MultipartFile::feed(QByteArrayView bytes)
{
    if (m_state == State::Failed)
        return false;
    if (m_state == State::Done)
        return true;
    m_pending.append(bytes);
    while (step()) { }
    return m_state != State::Failed;
}

bool MultipartFile::step()
{
    switch (m_state) {
    case State::SeekingDelimiter:
        return seekDelimiter();
    case State::DelimiterLine:
        return passDelimiterLine();
    case State::PartHeaders:
        return readPartHeaders();
    case State::FileContent:
        return streamFileContent();
    case State::Done:
    case State::Failed:
        break;
    }
    return false;
}

bool MultipartFile::seekDelimiter()
{
    const qsizetype at = m_pending.indexOf(m_delimiter);
    if (at < 0) {
        keepPossibleDelimiter();
        return false;
    }
    m_pending.remove(0, at + m_delimiter.size());
    m_state = State::DelimiterLine;
    return true;
}

bool MultipartFile::passDelimiterLine()
{
    // The rest of the delimiter's line: "--" after a close delimiter (the program's body goes on after
    // it, so the search simply continues with whatever part follows), or transport padding.
    const qsizetype lineEnd = m_pending.indexOf(crlf);
    if (lineEnd < 0) {
        if (m_pending.size() > maxPartHead)
            m_state = State::Failed;
        return false;
    }
    m_pending.remove(0, lineEnd + crlf.size());
    m_state = State::PartHeaders;
    return true;
}

bool MultipartFile::readPartHeaders()
{
    if (m_pending.size() < crlf.size())
        return false;
    QByteArrayView headers;
    qsizetype contentStart = crlf.size();
    if (!m_pending.startsWith(crlf)) {
        const qsizetype headersEnd = m_pending.indexOf("\r\n\r\n");
        if (headersEnd < 0) {
            if (m_pending.size() > maxPartHead)
                m_state = State::Failed;
            return false;
        }
        headers = QByteArrayView(m_pending).first(headersEnd);
        contentStart = headersEnd + 2 * crlf.size();
    }
    const bool isFile
        = namesPart(headers, QByteArrayView(CloudProtocol::FilePart.latin1(), CloudProtocol::FilePart.size()));
    m_pending.remove(0, contentStart);
    m_state = isFile ? State::FileContent : State::SeekingDelimiter;
    return true;
}

bool MultipartFile::streamFileContent()
{
    const qsizetype end = m_pending.indexOf(m_delimiter);
    const qsizetype ready = end >= 0 ? end : qMax<qsizetype>(0, m_pending.size() - (m_delimiter.size() - 1));
    if (ready > 0 && !m_sink(QByteArrayView(m_pending).first(ready))) {
        m_state = State::Failed;
        return false;
    }
    if (end >= 0) {
        m_pending.clear();
        m_state = State::Done;
        return false;
    }
    m_pending.remove(0, ready);
    return false;
}

void MultipartFile::keepPossibleDelimiter()
{
    const qsizetype keep = m_delimiter.size() - 1;
    if (m_pending.size() > keep)
        m_pending.remove(0, m_pending.size() - keep);
}
