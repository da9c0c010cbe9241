#include "windows/plot/plot_worker.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "numeric/status.h"

namespace {

// Time between two partial plane pictures handed to the window.
constexpr auto kDeliveryInterval = std::chrono::milliseconds(30);

}  // namespace

CPlotWorker::CPlotWorker(CDeliver deliver) : m_deliver(std::move(deliver)), m_thread([this] { Run(); }) {}

CPlotWorker::~CPlotWorker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        CancelLocked();
    }
    m_wake.notify_one();
    m_thread.join();
}

void CPlotWorker::Start(std::unique_ptr<CPlotJob> job)
{
    std::unique_ptr<CPlotJob> dropped;
    {
        const std::lock_guard lock(m_mutex);
        CancelLocked();
        dropped = std::move(m_next);
        m_next = std::move(job);
    }
    m_wake.notify_one();
    // A job that never started goes away here, outside the lock.
}

std::vector<std::shared_ptr<CPlotDelivery>> CPlotWorker::Take()
{
    const std::lock_guard lock(m_handMutex);
    return std::exchange(m_handed, {});
}

void CPlotWorker::CancelLocked()
{
    if (m_running)
        m_running->cancel.store(true, std::memory_order_relaxed);
}

void CPlotWorker::Run()
{
    for (;;) {
        std::unique_ptr<CPlotJob> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_next; });
            if (m_stop)
                return;
            job = std::move(m_next);
            m_running = job.get();
        }
        // A new thread starts with the vector state of the thread that
        // made it.
        ClearUpperVectorState();
        Work(*job);
        {
            const std::lock_guard lock(m_mutex);
            m_running = nullptr;
        }
    }
}

void CPlotWorker::Work(CPlotJob& job)
{
    const CPlotCancel cancelled = [&job] { return job.cancel.load(std::memory_order_relaxed); };
    for (const auto& statement : job.statements)
        statement->SetCancelFlag(&job.cancel);
    if (job.statements.empty())
        return;
    if (job.view == EPlotView::Line) {
        WorkLine(job, cancelled);
        return;
    }
    CPlotStatement& statement = *job.statements[0];
    const CPlotStatement::CScope scope(statement);
    CPlaneSampler sampler(job.plane);
    auto last = std::chrono::steady_clock::now();
    while (sampler.Step(statement, 1, cancelled)) {
        if (std::chrono::steady_clock::now() - last >= kDeliveryInterval &&
            !m_inFlight.load(std::memory_order_acquire)) {
            Deliver(Snapshot(job, sampler), false);
            last = std::chrono::steady_clock::now();
        }
    }
    if (cancelled())
        return;
    Deliver(Snapshot(job, sampler), true);
}

void CPlotWorker::WorkLine(CPlotJob& job, const CPlotCancel& cancelled)
{
    // The curves handed over so far: the final one of each statement done,
    // the quick one of the others.
    std::vector<CLinePlot> shown(job.statements.size());
    auto handOver = [&](bool complete, bool always) {
        auto delivery = std::make_shared<CPlotDelivery>();
        delivery->generation = job.generation;
        delivery->complete = complete;
        delivery->curves = shown;
        Deliver(std::move(delivery), always);
    };

    // The quick picture, coarse to fine: the first level of every
    // statement is handed over at once, the finer ones as the window takes
    // them.
    const bool quick = !job.previewStatements.empty() && job.previewStatements.size() == job.statements.size();
    if (quick) {
        std::vector<CLinePreview> previews(job.statements.size(), CLinePreview(job.line));
        for (bool more = true, first = true; more; first = false) {
            more = false;
            for (std::size_t k = 0; k < previews.size(); ++k) {
                CPlotStatement& statement = *job.previewStatements[k];
                statement.SetCancelFlag(&job.cancel);
                const CPlotStatement::CScope scope(statement);
                more = previews[k].Step(statement, cancelled) || more;
                if (cancelled())
                    return;
                shown[k] = previews[k].Plot();
            }
            handOver(false, first);
        }
    }

    for (std::size_t k = 0; k < job.statements.size(); ++k) {
        const CPlotStatement::CScope scope(*job.statements[k]);
        CLinePlot plot = SampleLine(*job.statements[k], job.line, cancelled);
        if (cancelled())
            return;
        shown[k] = std::move(plot);
        // The final curve of a statement replaces its rough one at once.
        if (quick && k + 1 < job.statements.size())
            handOver(false, false);
    }
    handOver(true, true);
}

std::shared_ptr<CPlotDelivery> CPlotWorker::Snapshot(const CPlotJob& job, const CPlaneSampler& sampler)
{
    auto delivery = std::make_shared<CPlotDelivery>();
    delivery->generation = job.generation;
    delivery->complete = sampler.Done();
    const CPlaneView& view = sampler.View();
    const std::vector<std::uint32_t> pixels = sampler.Picture();
    QImage image(view.width, view.height, QImage::Format_ARGB32);
    for (int row = 0; row < view.height; ++row)
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(row) * view.width, view.width,
                    reinterpret_cast<std::uint32_t*>(image.scanLine(row)));
    delivery->image = std::move(image);
    delivery->plane = view;
    delivery->values = std::make_shared<const CPlaneSampler>(sampler);
    return delivery;
}

void CPlotWorker::Deliver(std::shared_ptr<CPlotDelivery> delivery, bool always)
{
    if (!always && m_inFlight.exchange(true, std::memory_order_acq_rel))
        return;
    m_inFlight.store(true, std::memory_order_release);
    {
        const std::lock_guard lock(m_handMutex);
        m_handed.push_back(std::move(delivery));
    }
    m_deliver();
}
