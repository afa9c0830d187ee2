// Spot computations on a worker thread: superseding, cancelling and taking back their results.
//
// The worker reads only its job: a copy of the inputs, made on the document's thread before it
// starts. It writes only the job's result and progress; the document reads the result after
// joining the worker, on its own thread, once the poster has brought the job back.
#include "core/document/xtalspdoc.h"

#include "core/computation/geometry.h"
#include "core/computation/intensity.h"
#include "core/text/numbertext.h"

#include <atomic>
#include <new>
#include <thread>

namespace xtalsp {

struct CXtalspDoc::BackgroundJob {
    PatternInputs inputs;
    ReciprocalBasis basis;
    std::size_t spotLimit = kMaxSpotCount;
    DocumentThreadPoster poster;
    std::atomic<bool> stop{false};
    std::atomic<double> done{0.0};
    std::optional<SpotComputationResult> result; // none: out of memory
    std::thread worker;
};

CXtalspDoc::~CXtalspDoc() {
    if (m_job) {
        m_job->stop = true;
        m_job->worker.join();
    }
}

double CXtalspDoc::computationProgress() const {
    return m_job ? m_job->done.load(std::memory_order_relaxed) : 0.0;
}

double CXtalspDoc::computationSeconds() const {
    if (!m_busy)
        return 0.0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_busySince).count();
}

bool CXtalspDoc::computeInBackground() {
    if (!m_busy) {
        m_busy = true;
        m_busySince = std::chrono::steady_clock::now();
        for (DocumentObserver* observer : m_observers)
            observer->computationStarted(*this);
    }
    if (!m_job) {
        startBackgroundJob();
        return true;
    }
    // The running walk is for older settings. A gesture lets it finish so that its frame is
    // shown; anything else stops it now.
    m_recomputeWanted = true;
    if (m_gestureDepth == 0)
        m_job->stop = true;
    return true;
}

void CXtalspDoc::startBackgroundJob() {
    auto job = std::make_shared<BackgroundJob>();
    job->inputs = m_inputs;
    job->basis = reciprocalBasis();
    job->spotLimit = m_services.spotLimit;
    job->poster = m_services.backgroundPoster;
    m_job = job;
    m_recomputeWanted = false;
    // The worker keeps its own reference: the job outlives whichever side lets go first.
    job->worker =
        std::thread([job, owner = std::weak_ptr<CXtalspDoc*>(m_self)] { runJob(job, owner); });
}

void CXtalspDoc::runJob(const std::shared_ptr<BackgroundJob>& job,
                        const std::weak_ptr<CXtalspDoc*>& owner) {
    SpotComputationInput input = spotComputationInput(job->inputs, job->basis);
    input.spotLimit = job->spotLimit;
    input.progress = [&job = *job](double done) {
        job.done.store(done, std::memory_order_relaxed);
        return !job.stop.load(std::memory_order_relaxed);
    };
    try {
        job->result = computeLaueSpots(input);
    } catch (const std::bad_alloc&) {
        job->result.reset();
    }
    // Runs on the document's thread; a document closed meanwhile has joined this worker and
    // is not touched.
    job->poster([owner] {
        if (const std::shared_ptr<CXtalspDoc*> doc = owner.lock())
            (**doc).backgroundJobEnded();
    });
}

void CXtalspDoc::backgroundJobEnded() {
    if (!m_job)
        return;
    const std::shared_ptr<BackgroundJob> job = std::move(m_job);
    job->worker.join();
    if (!m_busy) // cancelled: the document has returned already
        return;
    std::optional<SpotComputationResult>& result = job->result;
    const bool complete = result && !result->cancelled && !result->tooManySpots;
    if (m_recomputeWanted) {
        // A frame of a gesture: shown, though newer settings wait for their walk.
        if (complete && !job->stop) {
            m_spots = std::move(result->spots);
            m_selectedSpot = -1;
            ComputedInputs shown = computedPartOf(job->inputs);
            shown.intensityScale.strongestIntensity = result->strongestIntensity;
            updateSaturation(shown.intensityScale);
            m_computedInputs = shown;
            for (DocumentObserver* observer : m_observers)
                observer->spotsChanged(*this);
        }
        startBackgroundJob();
        return;
    }
    if (!complete) {
        // The window returns to its last state before it says why, so that no progress of
        // the failed computation stays on show behind the message.
        failBackgroundRun();
        if (!result)
            prompt().show({"There is no enough memory!  ", "", MessageIcon::Stop});
        else if (result->tooManySpots)
            prompt().show({"The pattern would hold more than " +
                               formatInt(static_cast<long long>(job->spotLimit)) +
                               " spots.\nPlease raise the minimum intensity or lower the index "
                               "limits.",
                           "", MessageIcon::Exclamation});
        return;
    }
    takeSpots(*result);
    m_busy = false;
    m_runStart.reset();
    for (DocumentObserver* observer : m_observers)
        observer->spotsChanged(*this);
    for (DocumentObserver* observer : m_observers)
        observer->computationFinished(*this);
}

void CXtalspDoc::stopBackgroundRun() {
    if (m_job)
        m_job->stop = true;
    m_recomputeWanted = false;
    const bool wasBusy = m_busy;
    m_busy = false;
    m_runStart.reset();
    if (wasBusy) {
        for (DocumentObserver* observer : m_observers)
            observer->computationFinished(*this);
    }
}

void CXtalspDoc::failBackgroundRun() {
    if (m_runStart)
        returnTo(*m_runStart);
    // The spots on show still belong to the inputs they were computed from.
    if (m_computedInputs)
        returnToComputedInputs(*m_computedInputs);
    notifyGeometryStatus();
    for (DocumentObserver* observer : m_observers)
        observer->filmSizeChanged(*this);
    for (DocumentObserver* observer : m_observers)
        observer->spotsChanged(*this);
    stopBackgroundRun();
}

void CXtalspDoc::cancelComputation() {
    if (m_busy)
        failBackgroundRun();
}

} // namespace xtalsp
