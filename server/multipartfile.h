#ifndef MULTIPARTFILE_H
#define MULTIPARTFILE_H

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

// Streams the bytes of the part named "file" out of a multipart/form-data body that arrives in pieces,
// holding no more than a piece and a boundary's length of it. Besides standard bodies it reads the
// desktop program's own layout, which closes the body right after the file part and then appends a
// stray part: the file's bytes are simply those up to the next CR LF "--" boundary.
class MultipartFile
{
public:
    // Takes the file's bytes in order; false stops the parse.
    using Sink = std::function<bool(QByteArrayView bytes)>;

    // `contentType` is the request's Content-Type header, which names the boundary.
    MultipartFile(const QByteArray &contentType, Sink sink);

    // False once the body cannot yield the file any more (no boundary, an oversized part head, or the
    // sink refused); true while it can, and after the file is whole.
    bool feed(QByteArrayView bytes);
    // Whether the file part was found and ended by a boundary.
    bool isComplete() const { return m_state == State::Done; }

    // The boundary parameter of a multipart Content-Type, unquoted; empty when there is none.
    static QByteArray boundary(const QByteArray &contentType);

private:
    enum class State { SeekingDelimiter, DelimiterLine, PartHeaders, FileContent, Done, Failed };

    // Advances as far as the held bytes allow; false when it needs more.
    bool step();
    bool seekDelimiter();
    bool passDelimiterLine();
    bool readPartHeaders();
    bool streamFileContent();
    // Keeps only the tail that may still be the start of a delimiter.
    void keepPossibleDelimiter();

    Sink m_sink;
    QByteArray m_delimiter;
    QByteArray m_pending;
    State m_state = State::SeekingDelimiter;
};

#endif // MULTIPARTFILE_H
