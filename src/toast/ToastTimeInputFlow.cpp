// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastTimeInputFlow.h"

#include "expiry/TimeInputViewModel.h"
#include "toast/TimeInputPanel.h"
#include "toast/TimeInputView.h"
#include "toast/ToastFlowHost.h"
#include "toast/ToastInputs.h"

#include <QLineEdit>

using toastflow::soon;

ToastTimeInputFlow::ToastTimeInputFlow(ToastFlowHost& host, ToastInputs& inputs,
                                       std::shared_ptr<WindowSystem> windowSystem)
    : m_host(host), m_inputs(inputs), m_model(std::make_unique<TimeInputViewModel>()),
      m_panel(std::make_unique<TimeInputPanel>(std::move(windowSystem), *m_model))
{
    m_inputs.setPanel(ToastInput::time, *m_panel);
    m_panel->view().setActions({
        soon<ToastTimeInputFlow>(this, [](ToastTimeInputFlow& f) { f.place(); }),
        soon<ToastTimeInputFlow>(this, [](ToastTimeInputFlow& f) { f.submit(); }),
        soon<ToastTimeInputFlow>(this, [](ToastTimeInputFlow& f) { f.close(); }),
    });
}

ToastTimeInputFlow::~ToastTimeInputFlow() = default;

void ToastTimeInputFlow::place()
{
    const auto facts = m_host.currentScreenFacts();
    if (!facts)
        return;
    m_panel->setBodyGeometry(toastgeometry::inputPanelFrame(
        *facts, toastgeometry::timeInputHeight(m_model->showsResultRow())));
}

void ToastTimeInputFlow::show()
{
    if (!m_inputs.canOpen())
        return;
    m_model->reset();
    place();
    m_inputs.open(ToastInput::time);
    m_panel->view().field().setFocus();
}

void ToastTimeInputFlow::submit()
{
    const std::optional<ParsedDuration> parsed = m_model->parsed();
    if (!parsed)
        return; // the panel stays open for another try
    const std::vector<RecordId> ids = toastflow::idsOf(m_host.toastEntries());
    if (!ids.empty())
        m_host.markRecordsTemporary(ids, parsed->interval);
    close();
    if (!ids.empty())
        m_host.hide();
}

void ToastTimeInputFlow::close()
{
    m_inputs.close(ToastInput::time);
}
