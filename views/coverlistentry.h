#ifndef COVERLISTENTRY_H
#define COVERLISTENTRY_H

#include <QIcon>
#include <QListWidgetItem>
#include <QString>

#include <optional>

struct ViewItem;

// An icon list entry that shows whichever item it is given: its texts and roles are read from the item when the
// list asks for them, and its cover is decoded the first time it is drawn, so a large library neither decodes
// every cover at start-up nor holds a copy of each title and tool tip.
class CoverListEntry : public QListWidgetItem
{
public:
    static constexpr int CoverHeight = 128;

    explicit CoverListEntry(const ViewItem *item);

    const ViewItem *item() const { return source; }
    // Another item, or the same one with new data: the cover is decoded again when next drawn.
    void show(const ViewItem *item);
    bool isCoverDecoded() const { return cover.has_value(); }
    // The file was replaced in place: entries that show it next decode it again.
    static void forgetCover(const QString &path);

    QVariant data(int role) const override;

private:
    QIcon decodeCover() const;

    const ViewItem *source;
    mutable std::optional<QIcon> cover;
};

#endif // COVERLISTENTRY_H
