// The zip component as the project file drives it: late-bound, by dispatch
// id, with its progress as an event. One instance serves the table of
// contents writer (which fills the file list), saving and opening.
#pragma once

#include "components/zip/zip_component.h"
#include "components/zip/zip_ids.h"
#include "platform/dispatch/dispatch.h"

#include <QObject>
#include <QStringList>
#include <QVariant>

namespace brindle {

class ProjectZip : public QObject,
                   public dispatch::Fields<ProjectZip>,
                   public dispatch::Caller<ProjectZip> {
    Q_OBJECT
public:
    explicit ProjectZip(QObject* parent = nullptr);

    // What went wrong in the last zip or unzip, for logs.
    QString lastErrorText() const { return m_zip.lastErrorText(); }

    // Turns the flush before the archive replaces the old one on or off
    // (on by default; benchmarks compare both).
    void setSyncBeforeReplace(bool on) { m_zip.setSyncBeforeReplace(on); }

    // Limits the next unzips to the members with these names; an empty list
    // unzips every member again.
    void setOnlyMembers(const QStringList& names) { m_zip.setOnlyMembers(names); }

signals:
    // The component's progress: members in all, members done.
    void progress(int filesTotal, int filesProcessed);

private:
    friend struct ProjectZipTable;
    friend class dispatch::Caller<ProjectZip>;

    dispatch::DispResult invoke(int dispid, dispatch::InvokeKind kind, QVariantList& args);

    dispatch::DispResult getArchiveName();
    dispatch::DispResult putArchiveName(const QVariant& value);
    dispatch::DispResult getDestination();
    dispatch::DispResult putDestination(const QVariant& value);
    dispatch::DispResult getFileList();
    dispatch::DispResult putFileList(const QVariant& value);
    dispatch::DispResult getLevel();
    dispatch::DispResult putLevel(const QVariant& value);
    dispatch::DispResult addFile(QVariantList& args);
    dispatch::DispResult zip(QVariantList& args);
    dispatch::DispResult unzip(QVariantList& args);

    ZipComponent m_zip;
    bool m_switch201 = false;
    bool m_switch310 = false;
};

// The program's one zip component.
ProjectZip& projectZip();

}  // namespace brindle
