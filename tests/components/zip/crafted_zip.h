// Writes zip archives byte by byte, so tests can make the damaged and
// hostile archives that no well-behaved zip tool would write: members with
// folder parts or "..", members that inflate past their declared size,
// sizes beyond any disk, names in old code pages.
#pragma once

#include <QByteArray>

#include <optional>
#include <utility>
#include <vector>

namespace brindle::test {

struct CraftedMember {
    CraftedMember(QByteArray memberName, QByteArray content, bool deflated = true)
        : name(std::move(memberName)), data(std::move(content)), deflate(deflated) {}

    QByteArray name;  // stored as given
    QByteArray data;  // the real content
    bool deflate = true;
    // The uncompressed size the headers declare; the real size when unset.
    // Sizes from 4 GiB on are written in a zip64 extra field.
    std::optional<quint64> declaredSize;
    quint16 flags = 0;  // general purpose bits; 0x0800 marks a UTF-8 name
};

QByteArray craftZip(const std::vector<CraftedMember>& members);

}  // namespace brindle::test
