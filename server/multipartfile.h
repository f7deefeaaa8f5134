#ifndef MULTIPARTFILE_H
#define MULTIPARTFILE_H

#include <QByteArray>
#include <QByteArrayView>

// Finds the bytes of the part named "file" in a multipart/form-data body. Besides standard bodies it
// reads the desktop program's own layout, which closes the body right after the file part and then
// appends a stray part: the file's bytes are simply those up to the next CR LF "--" boundary.
class MultipartFile
{
public:
    // `contentType` is the request's Content-Type header, which names the boundary.
    MultipartFile(const QByteArray &contentType, const QByteArray &body);

    bool isValid() const { return m_found; }
    // A view into the body given to the constructor, which must outlive it.
    QByteArrayView bytes() const { return m_bytes; }

    // The boundary parameter of a multipart Content-Type, unquoted; empty when there is none.
    static QByteArray boundary(const QByteArray &contentType);

private:
    void find(const QByteArray &boundary, const QByteArray &body);

    bool m_found = false;
    QByteArrayView m_bytes;
};

#endif // MULTIPARTFILE_H
