#pragma once

#include "service/Sleeping.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// The short confirmation that the panels show after a copy. A message stays for
// displayTime on the injected sleeper; a newer message replaces an older one at once
// and gets its own full time. Main thread only.
class ToastState final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToastState)

public:
    static constexpr std::chrono::milliseconds displayTime{1800};

    explicit ToastState(std::shared_ptr<Sleeping> sleeper, QObject* parent = nullptr);
    ~ToastState() override;

    [[nodiscard]] const std::optional<QString>& message() const { return m_message; }
    void show(const QString& message);

signals:
    // Emitted on every assignment of message, also when it does not change.
    void messageChanged();

private:
    void expire();

    std::shared_ptr<Sleeping> m_sleeper;
    std::optional<QString> m_message;
    std::unique_ptr<QObject> m_hideTask; // destroying it cancels the pending hide
};
