#pragma once

#include "Command.h"
#include "literature/VORNAPIKeyStoring.h"

#include <functional>
#include <memory>

// key set | status | remove: the API key in the desktop's secret store. The key is
// read from standard input only, never from the command line; typed at a terminal, it
// is read after a prompt with echo off.
class KeyCommand final : public Command
{
public:
    using StoreFactory = std::function<std::unique_ptr<VORNAPIKeyStoring>()>;
    explicit KeyCommand(StoreFactory storeFactory);

    QString name() const override { return QStringLiteral("key"); }
    QString synopsis() const override { return QStringLiteral("set|status|remove"); }
    QString summary() const override;
    QList<Argument> positionalArguments() const override;
    int run(const QStringList& arguments, CommandIO& io) override;

private:
    StoreFactory m_storeFactory;
};
