#include "ToastState.h"

ToastState::ToastState(std::shared_ptr<Sleeping> sleeper, QObject* parent)
    : QObject(parent), m_sleeper(std::move(sleeper))
{
    Q_ASSERT(m_sleeper);
}

ToastState::~ToastState() = default;

void ToastState::show(const QString& message)
{
    m_message = message;
    emit messageChanged();
    m_hideTask = m_sleeper->sleep(displayTime, [this] { expire(); });
}

void ToastState::expire()
{
    // Runs from inside the sleeper's own callback: the spent task stays until the next
    // toast replaces it.
    m_message.reset();
    emit messageChanged();
}
