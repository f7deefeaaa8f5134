#include "metadata/pdfproposal.h"

#include "metadata/filenametitle.h"

#include <QRegularExpression>

QString PdfProposal::title(const QString &metadataTitle, const QString &fileName, const QString &extension)
{
    if (isPlausibleTitle(metadataTitle))
        return metadataTitle.simplified();
    return FileNameTitle::derive(fileName, extension);
}

bool PdfProposal::isPlausibleTitle(const QString &title)
{
    static const QRegularExpression untitled(QStringLiteral("^untitled\\b"), QRegularExpression::CaseInsensitiveOption);
    // "report.pdf", "C:\\Work\\draft.docx": what a program writes when it knows no title.
    static const QRegularExpression fileName(QStringLiteral("^\\S+\\.[A-Za-z0-9]{2,5}$"));
    static const QRegularExpression officeDocument(QStringLiteral("^Microsoft \\w+( \\w+)? - "));
    const QString simplified = title.simplified();
    return !simplified.isEmpty() && !untitled.match(simplified).hasMatch() && !fileName.match(simplified).hasMatch()
        && !officeDocument.match(simplified).hasMatch();
}

QStringList PdfProposal::authors(const QString &authorField)
{
    static const QRegularExpression separators(QStringLiteral("\\s*(?:;|,|\\band\\b)\\s*"),
                                               QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    const QStringList parts = authorField.split(separators, Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString name = part.simplified();
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}
