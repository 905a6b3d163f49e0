// The search as you type over the whole catalogue: a worker thread of its own (never the
// window's job runner, so it runs while the user types) that runs the newest request only. A new
// request stops the running one at its next row (the found-row callback says stop); rows go to
// the owner's thread in batches, as queued calls, each tagged with its request's generation, and
// a batch of an older generation is dropped there.
#pragma once

#include "catalog/catalog.h"
#include "listfile/entry.h"
#include "listfile/io/error.h"
#include "query/filter.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kx {

// One row found in the catalogue. The caption and the name are as shown (UTF-8, an exact name
// where the Entry has one); the other texts are as the list holds them (its 8-bit code page).
struct CatalogRow {
    std::int64_t listId = 0;
    std::string listPath;  // absolute
    std::string listLabel; // UTF-8; the list's column shows it in place of the path
    std::string caption;   // the path below the root, names separated by "\"
    std::string name;
    bool folder = false;
    std::uint32_t ord = 0;              // the place in the list's walk when it was indexed
    ExtendedFloat sizeValue{};          // for sorting by size
    std::string size, changed, comment; // the cells, as the detail list shows them
};

// The row of a found Entry, with its cells as the detail list shows them.
CatalogRow catalogRow(const catalog::ListRecord& list, const Entry& e, const std::string& caption,
                      std::uint32_t ord);

// What one search hands to the owner's thread at a time.
struct CatalogBatch {
    std::uint64_t generation = 0;
    std::vector<CatalogRow> rows; // the rows found since the last batch, up to the rows kept
    std::size_t found = 0;        // every row found so far, kept or not
    bool done = false;            // the last batch of its search
    bool noLists = false;         // the catalogue holds no list
    std::optional<Error> error;   // the search failed (with done)
};

class CatalogSearch : public QObject {
    Q_OBJECT
public:
    // Rows found before the first batch goes out: the first screen of a table.
    static constexpr std::size_t kFirstScreen = 64;

    explicit CatalogSearch(QObject* parent = nullptr);
    // Stops the running search and joins the worker.
    ~CatalogSearch() override;

    // Called on the owner's thread with each batch of the newest search.
    void setReceiver(std::function<void(CatalogBatch&)> receiver) {
        m_receiver = std::move(receiver);
    }
    // Starts a search of the catalogue at `db` (which must exist; it is never made here), keeping
    // at most `keep` rows; a running search stops. `reopen`: the lists changed since the last
    // search, the catalogue is opened afresh.
    void start(const std::string& db, const EntryFilter& filter, std::size_t keep, bool reopen);
    // Stops the running search; batches still on their way are dropped.
    void stop();
    // True from start() until the last batch of that search has been received.
    bool running() const { return m_running; }
    std::uint64_t generation() const { return m_generation; }

private:
    struct Request {
        std::uint64_t generation;
        std::string db;
        EntryFilter filter;
        std::size_t keep;
    };
    void loop();
    void runOne(const Request& r, bool reopen);
    void deliver(const std::shared_ptr<CatalogBatch>& batch);
    // Takes the oldest batch the worker handed over and delivers it.
    void deliverNext();

    std::function<void(CatalogBatch&)> m_receiver;
    std::uint64_t m_generation = 0; // the owner's thread's newest request
    bool m_running = false;

    std::mutex m_mutex;
    // Batches on their way from the worker to this thread: each one is passed under this lock, so
    // the hand-over does not rest on the event queue alone (whose ordering a race checker does
    // not see); the posted call only says that one is there.
    std::mutex m_outMutex;
    std::deque<std::shared_ptr<CatalogBatch>> m_out;
    std::condition_variable m_wake;
    std::optional<Request> m_pending;            // guarded by m_mutex
    bool m_quit = false;                         // guarded by m_mutex
    bool m_reopen = false;                       // guarded by m_mutex
    std::atomic<std::uint64_t> m_wanted{0};      // the generation the worker is to run; others stop
    std::unique_ptr<catalog::Catalog> m_catalog; // the worker's own connection
    std::string m_catalogPath;
    std::thread m_worker;
};

} // namespace kx
