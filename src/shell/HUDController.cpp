#include "HUDController.h"

HUDController::HUDController(Scheduler& scheduler, PanelFactory makePanel)
    : m_scheduler(scheduler), m_makePanel(std::move(makePanel)), m_self(this) {}

HUDController::~HUDController() = default;

void HUDController::flash(const FeedbackEvent& event) {
    m_model.setOutcome(event.outcome);
    m_model.setSlot(event.outcome == FeedbackOutcome::NothingToCopy ? std::nullopt : event.slot);
    m_model.setPreview(event.preview);
    m_model.setImagePNG(event.imagePNG);
    if (!m_panel && m_makePanel) {
        m_panel = m_makePanel(m_model);
    }
    if (m_panel) {
        m_panel->position();
    }
    m_model.setVisible(true);
    if (m_panel) {
        m_panel->orderFront();
    }
    const int token = ++m_hideToken;
    // The tasks hold the controller weakly: it lives as long as the program, and a task that
    // outlives it must not touch it.
    const auto weak = m_self.handle();
    m_scheduler.schedule(displaySeconds, [weak, token] {
        const auto self = weak.get();
        if (!self || self->m_hideToken != token) {
            return;
        }
        self->m_model.setVisible(false);
        self->m_scheduler.schedule(fadeSeconds, [weak, token] {
            const auto again = weak.get();
            if (again && again->m_hideToken == token && again->m_panel) {
                again->m_panel->orderOut();
            }
        });
    });
}
