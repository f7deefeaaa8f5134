#include "tests/support/epubbuilder.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

EpubBuilder &EpubBuilder::add(const QString &name, const QByteArray &content)
{
    entries << Entry{name, content, false};
    return *this;
}

EpubBuilder &EpubBuilder::addSymlink(const QString &name, const QString &target)
{
    entries << Entry{name, target.toUtf8(), true};
    return *this;
}

EpubBuilder &EpubBuilder::addPackage(const QString &packagePath, const QStringList &spine, const QByteArray &metadata,
                                     const QByteArray &manifestItems)
{
    add(QStringLiteral("META-INF/container.xml"),
        "<?xml version=\"1.0\"?>\n"
        "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
        "  <rootfiles><rootfile full-path=\""
            + packagePath.toUtf8()
            + "\" media-type=\"application/oebps-package+xml\"/></rootfiles>\n"
              "</container>\n");
    QByteArray manifest;
    QByteArray itemrefs;
    for (qsizetype i = 0; i < spine.size(); ++i) {
        const QByteArray id = "item" + QByteArray::number(i);
        manifest += "    <item id=\"" + id + "\" href=\"" + spine.at(i).toUtf8()
            + "\" media-type=\"application/xhtml+xml\"/>\n";
        itemrefs += "    <itemref idref=\"" + id + "\"/>\n";
    }
    add(packagePath,
        "<?xml version=\"1.0\"?>\n"
        "<package xmlns=\"http://www.idpf.org/2007/opf\" xmlns:opf=\"http://www.idpf.org/2007/opf\" "
        "version=\"2.0\" unique-identifier=\"id\">\n"
        "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
            + metadata + "</metadata>\n  <manifest>\n" + manifest + manifestItems
            + "    <item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n"
            + "  </manifest>\n  <spine toc=\"ncx\">\n" + itemrefs + "  </spine>\n</package>\n");
    return *this;
}

bool EpubBuilder::write(const QString &path) const
{
    QuaZip archive(path);
    if (!archive.open(QuaZip::mdCreate))
        return false;
    for (const Entry &entry : entries) {
        QuaZipFile file(&archive);
        QuaZipNewInfo info(entry.name);
        const quint32 mode = entry.symlink ? 0120777 : 0100644;
        info.externalAttr = mode << 16;
        if (!file.open(QIODevice::WriteOnly, info) || file.write(entry.content) != entry.content.size())
            return false;
        file.close();
    }
    archive.close();
    return archive.getZipError() == 0;
}

EpubBuilder EpubBuilder::describedBook(const QByteArray &coverImage)
{
    EpubBuilder book;
    book.addPackage(QStringLiteral("OEBPS/content.opf"), {QStringLiteral("chapter.xhtml")},
                    "<dc:title>  The   Dispossessed </dc:title>"
                    "<dc:creator opf:role=\"aut\">Ursula K. Le Guin</dc:creator>"
                    "<dc:creator opf:role=\"edt\">Some Editor</dc:creator>"
                    "<dc:identifier id=\"id\">urn:uuid:0a1b2c3d-1111-2222-3333-444455556666</dc:identifier>"
                    "<dc:identifier opf:scheme=\"ISBN\">urn:isbn:978-0-306-40615-7</dc:identifier>"
                    "<dc:publisher>Harper &amp; Row</dc:publisher><dc:date>1974-05-01</dc:date>"
                    "<dc:description>&lt;p&gt;An &lt;b&gt;ambiguous&lt;/b&gt; utopia.&lt;/p&gt;</dc:description>"
                    "<meta name=\"cover\" content=\"cover-image\"/>",
                    "    <item id=\"cover-image\" href=\"images/cover%20art.png\" media-type=\"image/png\"/>\n")
        .add(QStringLiteral("OEBPS/chapter.xhtml"), chapter(QStringLiteral("Anarres")))
        .add(QStringLiteral("OEBPS/images/cover art.png"), coverImage);
    return book;
}

QByteArray EpubBuilder::ncx(const QByteArray &navPoints)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">\n"
           "  <head><meta name=\"dtb:uid\" content=\"test\"/></head>\n"
           "  <docTitle><text>Test Book</text></docTitle>\n"
           "  <navMap>\n"
        + navPoints + "  </navMap>\n</ncx>\n";
}

QByteArray EpubBuilder::navPoint(const QString &label, const QString &src, const QByteArray &children)
{
    return "<navPoint><navLabel><text>" + label.toHtmlEscaped().toUtf8() + "</text></navLabel><content src=\""
        + src.toHtmlEscaped().toUtf8() + "\"/>" + children + "</navPoint>\n";
}

QByteArray EpubBuilder::chapter(const QString &title)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>"
        + title.toUtf8() + "</title></head><body><h1 id=\"a\">" + title.toUtf8()
        + "</h1><p style=\"height: 3000px\">text</p><h2 id=\"b\">Later</h2></body></html>\n";
}
