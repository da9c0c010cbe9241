#pragma once
// The thread that computes the plot's pictures, one job at a time. A new
// job cancels the running one and replaces one that has not started.
// Results wait in a list of their own, under its lock, until the window's
// thread takes them; the window is told of them by a call it may queue.

#include <QImage>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "windows/plot/plot_mapping.h"

// One view to compute. Everything the work reads is the job's own: its
// statements with their scratch contexts, the ranges and the sizes; the
// window's thread only sets the cancel flag.
struct CPlotJob {
    std::uint64_t generation = 0;
    EPlotView view = EPlotView::Line;
    CLineView line;
    CPlaneView plane;
    std::vector<std::unique_ptr<CPlotStatement>> statements;
    // Over a line, copies of the statements for the quick first picture,
    // so that its values leave the final picture's (a random sequence)
    // as they were; none, no quick picture.
    std::vector<std::unique_ptr<CPlotStatement>> previewStatements;
    std::atomic<bool> cancel{false};
};

// What a job hands to the window's thread: copies, which the worker no
// longer touches.
struct CPlotDelivery {
    std::uint64_t generation = 0;
    bool complete = false;
    // Over a line: one plot a statement.
    std::vector<CLinePlot> curves;
    // Over the plane: the picture so far, its rectangle and its values.
    QImage image;
    CPlaneView plane;
    std::shared_ptr<const CPlaneSampler> values;
};

class CPlotWorker {
public:
    // Called on the worker's thread when a result waits to be taken.
    using CDeliver = std::function<void()>;

    explicit CPlotWorker(CDeliver deliver);
    // Cancels the work under way and joins the thread.
    ~CPlotWorker();
    CPlotWorker(const CPlotWorker&) = delete;
    CPlotWorker& operator=(const CPlotWorker&) = delete;

    // Cancels the work under way and, when job is given, starts it next.
    void Start(std::unique_ptr<CPlotJob> job);

    // The results handed over since the last call, oldest first.
    std::vector<std::shared_ptr<CPlotDelivery>> Take();

    // The window took a delivery: the next partial picture may go.
    void Delivered() { m_inFlight.store(false, std::memory_order_release); }

private:
    void CancelLocked();
    void Run();
    void Work(CPlotJob& job);
    void WorkLine(CPlotJob& job, const CPlotCancel& cancelled);
    static std::shared_ptr<CPlotDelivery> Snapshot(const CPlotJob& job, const CPlaneSampler& sampler);
    void Deliver(std::shared_ptr<CPlotDelivery> delivery, bool always);

    CDeliver m_deliver;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    // Guarded by m_mutex: the job waiting to start, the job under way
    // (owned by the worker's loop) and the request to stop.
    std::unique_ptr<CPlotJob> m_next;
    CPlotJob* m_running = nullptr;
    bool m_stop = false;
    // A delivery on its way to the window: partial pictures wait for it.
    std::atomic<bool> m_inFlight{false};
    std::mutex m_handMutex;
    std::vector<std::shared_ptr<CPlotDelivery>> m_handed;
    std::thread m_thread;
};
