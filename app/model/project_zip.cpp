#include "app/model/project_zip.h"

#include <array>

namespace brindle {

using dispatch::DispResult;
using dispatch::InvokeKind;
using namespace zipids;

struct ProjectZipTable {
    using P = ProjectZip;
    using M = dispatch::Member<ProjectZip>;
    static constexpr std::array<M, 9> rows{{
        {DispArchiveName, "ArchiveName", &ProjectZip::getArchiveName, &ProjectZip::putArchiveName},
        {DispSwitch201, "Switch201", &P::getField<bool, &P::m_switch201>,
         &P::putField<bool, &P::m_switch201>},
        {DispDestination, "Destination", &ProjectZip::getDestination, &ProjectZip::putDestination},
        {DispFileList, "FileList", &ProjectZip::getFileList, &ProjectZip::putFileList},
        {DispSwitch310, "Switch310", &P::getField<bool, &P::m_switch310>,
         &P::putField<bool, &P::m_switch310>},
        {DispLevel, "Level", &ProjectZip::getLevel, &ProjectZip::putLevel},
        {DispAddFile, "AddFile", nullptr, nullptr, &ProjectZip::addFile},
        {DispZip, "Zip", nullptr, nullptr, &ProjectZip::zip},
        {DispUnzip, "Unzip", nullptr, nullptr, &ProjectZip::unzip},
    }};
};

ProjectZip::ProjectZip(QObject* parent) : QObject(parent) {
    connect(&m_zip, &ZipComponent::progress, this, &ProjectZip::progress);
}

DispResult ProjectZip::invoke(int dispid, InvokeKind kind, QVariantList& args) {
    return dispatch::dispatchByTable<ProjectZip>(*this, ProjectZipTable::rows, dispid, kind, args);
}

namespace {

DispResult mismatch() {
    return DispResult::error(dispatch::DISP_E_TYPEMISMATCH);
}

}  // namespace

DispResult ProjectZip::getArchiveName() {
    return DispResult::value_of(m_zip.archiveName());
}

DispResult ProjectZip::putArchiveName(const QVariant& value) {
    QString path;
    const DispResult converted = dispatch::putValue(value, &path);
    if (converted.ok()) {
        m_zip.setArchiveName(path);
    }
    return converted;
}

DispResult ProjectZip::getDestination() {
    return DispResult::value_of(m_zip.destination());
}

DispResult ProjectZip::putDestination(const QVariant& value) {
    QString folder;
    const DispResult converted = dispatch::putValue(value, &folder);
    if (converted.ok()) {
        m_zip.setDestination(folder);
    }
    return converted;
}

DispResult ProjectZip::getFileList() {
    return DispResult::value_of(m_zip.files());
}

// Only the empty text is taken: it empties the list. Files are added one
// by one with AddFile.
DispResult ProjectZip::putFileList(const QVariant& value) {
    QString text;
    if (!dispatch::argAs(value, &text) || !text.isEmpty()) {
        return mismatch();
    }
    m_zip.clearFiles();
    return {};
}

DispResult ProjectZip::getLevel() {
    return DispResult::value_of(m_zip.compressionLevel());
}

DispResult ProjectZip::putLevel(const QVariant& value) {
    int level = 0;
    if (!dispatch::argAs(value, &level) || !m_zip.setCompressionLevel(level)) {
        return DispResult::error(dispatch::E_FAIL, QStringLiteral("level 0 to 9"));
    }
    return {};
}

DispResult ProjectZip::addFile(QVariantList& args) {
    QString path;
    if (args.size() != 1) {
        return DispResult::error(dispatch::DISP_E_BADPARAMCOUNT);
    }
    if (!dispatch::argAs(args[0], &path)) {
        return mismatch();
    }
    m_zip.addFile(path);
    return {};
}

DispResult ProjectZip::zip(QVariantList& /*args*/) {
    return DispResult::value_of(m_zip.zip());
}

DispResult ProjectZip::unzip(QVariantList& /*args*/) {
    return DispResult::value_of(m_zip.unzip());
}

ProjectZip& projectZip() {
    static ProjectZip instance;
    return instance;
}

}  // namespace brindle
