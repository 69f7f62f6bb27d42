#include "platform/made_ahead.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <memory>
#include <vector>

namespace brindle {
namespace {

std::vector<MadeAhead*>& everyCache() {
    static std::vector<MadeAhead*> caches;
    return caches;
}

QThreadPool& workers() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
        // Ends with the application, after the last file is written; what
        // was never taken is removed.
        qAddPostRoutine([] {
            workers().waitForDone();
            for (MadeAhead* cache : everyCache()) {
                cache->discardAll();
            }
        });
        return p;
    }();
    return *pool;
}

}  // namespace

MadeAhead::MadeAhead(QString prefix, QString suffix)
    : m_prefix(std::move(prefix)), m_suffix(std::move(suffix)) {
    everyCache().push_back(this);
}

MadeAhead::~MadeAhead() {
    discardAll();
    auto& caches = everyCache();
    caches.erase(std::remove(caches.begin(), caches.end(), this), caches.end());
}

bool MadeAhead::start(const QString& key, const QString& source, const QString& tag,
                      const QString& folder, Make make) {
    const QFileInfo info(source);
    if (!info.isFile()) {
        return false;
    }
    if (contains(key)) {
        return true;
    }
    auto done = std::make_shared<std::promise<bool>>();
    Entry entry;
    entry.source = source;
    entry.tag = tag;
    entry.size = info.size();
    entry.modified = info.lastModified();
    entry.file = folder + "/" + m_prefix + QString::number(++m_serial) + m_suffix;
    entry.made = done->get_future().share();
    const QString file = entry.file;
    m_entries.emplace(key, std::move(entry));
    workers().start([file, done, make = std::move(make)] {
        bool made = false;
        try {
            made = make(file);
        } catch (...) {
            made = false;
        }
        done->set_value(made);
    });
    return true;
}

MadeAhead::Taken MadeAhead::take(const QString& key, const QString& source, const QString& tag,
                                 const QString& target) {
    const auto found = m_entries.find(key);
    if (found == m_entries.end()) {
        return Taken::None;
    }
    const Entry entry = found->second;
    m_entries.erase(found);
    const bool made = entry.made.get();
    const QFileInfo now(source);
    if (entry.source != source || entry.tag != tag || now.size() != entry.size ||
        now.lastModified() != entry.modified) {
        QFile::remove(entry.file);
        return Taken::None;
    }
    if (!made) {
        QFile::remove(entry.file);
        return Taken::Failed;
    }
    QFile::remove(target);
    if (QFile::rename(entry.file, target)) {
        return Taken::Made;
    }
    // Another file system: copied instead.
    const bool copied = QFile::copy(entry.file, target);
    QFile::remove(entry.file);
    return copied ? Taken::Made : Taken::Failed;
}

void MadeAhead::discardAll() {
    for (auto& [key, entry] : m_entries) {
        entry.made.wait();
        QFile::remove(entry.file);
    }
    m_entries.clear();
}

}  // namespace brindle
