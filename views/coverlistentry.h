#ifndef COVERLISTENTRY_H
#define COVERLISTENTRY_H

#include <QIcon>
#include <QListWidgetItem>
#include <QString>

#include <optional>

struct ViewItem;

// An icon list entry whose cover is decoded the first time the list asks for it, that is when the entry
// is first drawn, and whose tool tip is written when it is shown, so a large library neither decodes
// every cover at start-up nor holds a tool tip per book.
class CoverListEntry : public QListWidgetItem
{
public:
    static constexpr int CoverHeight = 128;
    // Counts the cover changes, so that the list repaints an entry whose cover file was replaced in place.
    static constexpr int CoverRevisionRole = Qt::UserRole + 200;

    explicit CoverListEntry(const QString &text);

    // A new path, or the same path with a replaced file: the cover is decoded again when next drawn.
    void setCoverFile(const QString &path);
    bool isCoverDecoded() const { return cover.has_value(); }
    // The tool tip is written from the item when it is shown, so that a large library keeps none in memory.
    void setToolTipSource(const ViewItem *item) { toolTipSource = item; }

    QVariant data(int role) const override;

private:
    QIcon decodeCover() const;

    QString coverFile;
    mutable std::optional<QIcon> cover;
    const ViewItem *toolTipSource = nullptr;
};

#endif // COVERLISTENTRY_H
