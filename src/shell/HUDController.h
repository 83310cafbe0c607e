#pragma once

#include "HUDModel.h"
#include "HUDPresenter.h"
#include "core/Scheduler.h"
#include "core/WeakSelf.h"

#include <functional>
#include <memory>

// Shows feedback events: fills the model, brings the panel up for 1.0 s, then fades it for
// 0.28 s and takes it off screen. A newer flash takes over: the older hide does nothing.
class HUDController {
public:
    static constexpr double displaySeconds = 1.0;
    static constexpr double fadeSeconds = 0.28;

    using PanelFactory = std::function<std::unique_ptr<HUDPresenter>(HUDModel&)>;

    HUDController(Scheduler& scheduler, PanelFactory makePanel);
    ~HUDController();

    void flash(const FeedbackEvent& event);

    HUDModel& model() { return m_model; }
    int hideToken() const { return m_hideToken; }

private:
    Scheduler& m_scheduler;
    PanelFactory m_makePanel;
    HUDModel m_model;
    std::unique_ptr<HUDPresenter> m_panel;
    int m_hideToken = 0;
    WeakSelf<HUDController> m_self;
};
