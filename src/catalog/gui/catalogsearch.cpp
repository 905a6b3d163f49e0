// The catalogue's search as you type, on a worker thread of its own.
#include "catalog/gui/catalogsearch.h"

#include "listfile/exactname.h"
#include "query/rowformat.h"

#include <chrono>
#include <utility>

namespace kx {

namespace {
// Between two batches of a running search: the table grows while the count keeps counting.
constexpr auto kBatchInterval = std::chrono::milliseconds(50);
} // namespace

CatalogRow catalogRow(const catalog::ListRecord& list, const Entry& e, const std::string& caption,
                      std::uint32_t ord) {
    CatalogRow r;
    r.listId = list.id;
    r.listPath = list.path;
    r.listLabel = list.label;
    r.caption = caption;
    r.name = nameUtf8(e);
    r.folder = e.isFolder();
    r.ord = ord;
    r.sizeValue = e.sizeValue();
    r.size = sizeCell(r.sizeValue);
    r.changed = textOrDashes(e.changed());
    r.comment = textOrDashes(e.comment());
    return r;
}

CatalogSearch::CatalogSearch(QObject* parent) : QObject(parent) {
    m_worker = std::thread([this] { loop(); });
}

CatalogSearch::~CatalogSearch() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
        m_pending.reset();
    }
    ++m_wanted; // the running search stops at its next row
    m_wake.notify_one();
    m_worker.join();
}

void CatalogSearch::start(const std::string& db, const EntryFilter& filter, std::size_t keep,
                          bool reopen) {
    m_running = true;
    const std::uint64_t generation = ++m_generation;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending = Request{generation, db, filter, keep};
        m_reopen = m_reopen || reopen; // kept until a search has run
    }
    m_wanted = generation;
    m_wake.notify_one();
}

void CatalogSearch::stop() {
    m_running = false;
    m_wanted = ++m_generation;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.reset();
}

void CatalogSearch::loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_pending; });
        if (m_quit) break;
        const Request r = std::move(*m_pending);
        m_pending.reset();
        const bool reopen = std::exchange(m_reopen, false);
        lock.unlock();
        runOne(r, reopen);
        lock.lock();
    }
    lock.unlock();
    m_catalog.reset(); // closed on the thread that used it
}

void CatalogSearch::runOne(const Request& r, bool reopen) {
    using Clock = std::chrono::steady_clock;
    auto batch = std::make_shared<CatalogBatch>();
    batch->generation = r.generation;
    std::size_t found = 0;
    bool firstSent = false;
    Clock::time_point sent = Clock::now();
    const auto send = [&](bool done) {
        batch->found = found;
        batch->done = done;
        {
            std::lock_guard<std::mutex> lock(m_outMutex);
            m_out.push_back(std::move(batch));
        }
        QMetaObject::invokeMethod(
            this, [this] { deliverNext(); }, Qt::QueuedConnection);
        batch = std::make_shared<CatalogBatch>();
        batch->generation = r.generation;
        sent = Clock::now();
        firstSent = true;
    };
    try {
        if (reopen || !m_catalog || m_catalogPath != r.db) {
            m_catalog.reset();
            m_catalog = catalog::Catalog::open(r.db, catalog::OpenMode::existing);
            m_catalogPath = r.db;
        }
        // A newer request stops this one inside SQLite too, not only at its next row.
        m_catalog->stopWhen(
            [this, g = r.generation] { return m_wanted.load(std::memory_order_relaxed) != g; });
        batch->noLists = m_catalog->lists().empty();
        if (!batch->noLists && m_wanted == r.generation)
            m_catalog->find(r.filter, [&](const catalog::ListRecord& list, const Entry& e,
                                          const std::string& caption, std::uint32_t ord) {
                if (m_wanted.load(std::memory_order_relaxed) != r.generation) return false;
                if (++found <= r.keep) batch->rows.push_back(catalogRow(list, e, caption, ord));
                if ((!firstSent && batch->rows.size() >= kFirstScreen) ||
                    Clock::now() - sent >= kBatchInterval)
                    send(false);
                return true;
            });
    } catch (const Error& e) {
        m_catalog.reset();
        batch->error = e;
    } catch (const std::exception& e) {
        m_catalog.reset();
        batch->error = Error(ErrorCode::other, {}, 0, e.what());
    }
    send(true);
}

void CatalogSearch::deliverNext() {
    std::shared_ptr<CatalogBatch> batch;
    {
        std::lock_guard<std::mutex> lock(m_outMutex);
        if (m_out.empty()) return;
        batch = std::move(m_out.front());
        m_out.pop_front();
    }
    deliver(batch);
}

void CatalogSearch::deliver(const std::shared_ptr<CatalogBatch>& batch) {
    if (batch->generation != m_generation) return; // an older search's rows
    if (batch->done) m_running = false;
    if (m_receiver) m_receiver(*batch);
}

} // namespace kx
