#pragma once

#include "Command.h"
#include "literature/VORNAPIKeyStoring.h"

#include <functional>
#include <memory>

// find: the application's whole query path from a terminal. The sentence comes from
// the arguments or standard input; the key from the secret store; the service address
// from --endpoint, else the user's settings, else the build. Prints the plain or HTML report, or the
// result JSON. Failures print the sentence the result panel would show.
class FindCommand final : public Command
{
public:
    using StoreFactory = std::function<std::shared_ptr<VORNAPIKeyStoring>()>;
    explicit FindCommand(StoreFactory storeFactory);

    QString name() const override { return QStringLiteral("find"); }
    QString synopsis() const override
    {
        return QStringLiteral("[--json] [--html] [--evidence] [--endpoint BASE-URL] [--ca-certificates PEM] [SENTENCE...]");
    }
    int run(const QStringList& arguments, CommandIO& io) override;

private:
    StoreFactory m_storeFactory;
};
