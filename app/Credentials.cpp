#include "Credentials.h"

#include "service/VORNBackendStack.h"

#include <QCoreApplication>
#include <QPointer>

Credentials::Credentials(std::shared_ptr<VORNAPIKeyStoring> store, bool offThread, QObject* parent)
    : QObject(parent), m_store(std::move(store)), m_offThread(offThread)
{
    Q_ASSERT(m_store);
}

Credentials::~Credentials() = default;

void Credentials::refresh()
{
    if (!m_offThread) {
        apply(m_store->loadAPIKey());
        return;
    }
    const quint64 generation = ++m_readGeneration;
    const QPointer<Credentials> self(this);
    VORNBackendStack::runOnKeyStoreThread([store = m_store, self, generation] {
        auto loaded = store->loadAPIKey();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, generation, loaded = std::move(loaded)] {
                if (self && self->m_readGeneration == generation)
                    self->apply(loaded);
            },
            Qt::QueuedConnection);
    });
}

void Credentials::apply(const std::expected<std::optional<QString>, VORNAPIKeyStoreError>& loaded)
{
    std::optional<QString> key;
    if (!loaded) {
        m_status = CredentialStatus::unreadable(loaded.error().errorDescription());
    } else {
        key = *loaded;
        m_status = key ? CredentialStatus::stored() : CredentialStatus::missing();
    }
    emit statusChanged();
    m_hasStoredAPIKey = key.has_value();
    emit hasStoredAPIKeyChanged();
    m_maskedStoredAPIKey = key ? std::optional<QString>(maskedStoredAPIKeyText()) : std::nullopt;
    emit maskedStoredAPIKeyChanged();

    const QString scope = VORNBackendStack::credentialScope(key);
    if (scope != m_scope) {
        m_scope = scope;
        emit scopeChanged();
    }
}

std::expected<void, VORNAPIKeyStoreError> Credentials::save(const QString& key)
{
    auto saved = m_store->saveAPIKey(key);
    if (saved)
        refresh();
    return saved;
}

std::expected<void, VORNAPIKeyStoreError> Credentials::remove()
{
    auto removed = m_store->deleteAPIKey();
    if (removed)
        refresh();
    return removed;
}

void Credentials::save(const QString& key, WriteDone done)
{
    write([store = m_store, key] { return store->saveAPIKey(key); }, std::move(done));
}

void Credentials::remove(WriteDone done)
{
    write([store = m_store] { return store->deleteAPIKey(); }, std::move(done));
}

void Credentials::write(std::function<std::expected<void, VORNAPIKeyStoreError>()> write, WriteDone done)
{
    const auto finish = [this, done](const std::expected<void, VORNAPIKeyStoreError>& written) {
        if (written)
            refresh();
        if (done)
            done(written);
    };
    if (!m_offThread) {
        finish(write());
        return;
    }
    // The store's one thread runs the write, then any read asked for after it.
    if (m_writesInFlight++ == 0)
        emit isWritingChanged();
    const QPointer<Credentials> self(this);
    VORNBackendStack::runOnKeyStoreThread([write = std::move(write), self, finish] {
        auto written = write();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, finish, written = std::move(written)] {
                if (!self)
                    return;
                if (--self->m_writesInFlight == 0)
                    emit self->isWritingChanged();
                finish(written);
            },
            Qt::QueuedConnection);
    });
}
