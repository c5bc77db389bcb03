#include "fakecapturebackend.h"

#include <utility>

void FakeCaptureState::finishStarts()
{
    auto starts = std::exchange(pendingStarts, {});
    for (auto &start : starts)
        start();
}

FakeCaptureBackend::FakeCaptureBackend(std::shared_ptr<FakeCaptureState> state)
    : m_state(std::move(state))
    , m_session(std::make_unique<QMediaCaptureSession>())
{
    m_state->backendAlive = true;
}

FakeCaptureBackend::~FakeCaptureBackend()
{
    m_state->backendAlive = false;
}

CaptureBackend::Configuration FakeCaptureBackend::configure()
{
    ++m_state->configurations;
    if (!m_state->hasCamera)
        return Configuration::NoCamera;
    if (!m_state->canOpen)
        return Configuration::CannotOpen;
    if (!m_state->sessionAcceptsInput)
        return Configuration::InputRefused;
    ++m_state->inputsAttached;
    return Configuration::InputAttached;
}

void FakeCaptureBackend::startRunning(std::function<void()> done)
{
    ++m_state->startRequests;
    // Like a blocking start on another thread, this one can still return after
    // the back end is gone; it reaches only the shared state then, which runs
    // it and so outlives it.
    m_state->pendingStarts.push_back([state = m_state.get(), done = std::move(done)] {
        if (state->startSucceeds && state->backendAlive) {
            state->running = true;
            state->deviceOpen = true;
        }
        state->problem = state->startSucceeds ? PreviewProblem::None : state->failure;
        done();
    });
}

void FakeCaptureBackend::stopRunning()
{
    ++m_state->stops;
    m_state->running = false;
    m_state->deviceOpen = false;
    m_state->problem = PreviewProblem::None;
}
