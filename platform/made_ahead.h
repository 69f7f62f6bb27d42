// Files made ahead on worker threads (one per core, shared by every user),
// for work the GUI thread is about to ask for one piece after another: a
// later request only waits for its file and moves it into place. Entries are
// keyed by a name the caller chooses; each remembers its source file's size
// and time and a tag of the caller's settings, so a source changed since, or
// other settings, make the caller do the work again. GUI thread only.
#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <future>
#include <map>

namespace brindle {

class MadeAhead {
public:
    // Writes the result into `file`; true when it did. Runs on a worker.
    using Make = std::function<bool(const QString& file)>;

    enum class Taken {
        None,    // nothing for this key, or made from another source or tag
        Failed,  // made from this source, but the work or the move failed
        Made,    // the file is in place
    };

    // Files go into the folder given to start, named prefix + a number +
    // suffix (".jpg").
    MadeAhead(QString prefix, QString suffix);
    ~MadeAhead();
    MadeAhead(const MadeAhead&) = delete;
    MadeAhead& operator=(const MadeAhead&) = delete;

    bool contains(const QString& key) const { return m_entries.count(key) > 0; }
    int size() const { return static_cast<int>(m_entries.size()); }

    // Starts making the file for key from source (when nothing is kept for
    // the key yet) in folder. False when source is not a file.
    bool start(const QString& key, const QString& source, const QString& tag, const QString& folder,
               Make make);

    // Waits for the key's file and, when it was made from this source as it
    // is now and with this tag, moves it to target (replacing it). The
    // entry is gone afterwards either way.
    Taken take(const QString& key, const QString& source, const QString& tag,
               const QString& target);

    // Waits for every worker and removes the files never taken.
    void discardAll();

private:
    struct Entry {
        QString source;
        QString tag;
        qint64 size = -1;
        QDateTime modified;
        QString file;  // where the worker writes
        std::shared_future<bool> made;
    };

    QString m_prefix;
    QString m_suffix;
    int m_serial = 0;
    std::map<QString, Entry> m_entries;
};

}  // namespace brindle
