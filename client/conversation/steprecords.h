#pragma once

#include "client/conversation/deploysteps.h"
#include "platform/backtestrun.h"

#include <QJsonObject>

#include <optional>

// The steps' results as the chat file keeps them: enums by their stable names, worded texts
// and raw process output left out. nullopt for a record with an unknown name or without a
// field it needs.
namespace StepRecords {

QJsonObject toJson(const DeploySteps::Save &save);
std::optional<DeploySteps::Save> saveFromJson(const QJsonObject &json);

// A risk's message is not kept: it is worded again, in the interface's language of the day.
QJsonObject toJson(const DeploySteps::Review &review);
std::optional<DeploySteps::Review> reviewFromJson(const QJsonObject &json);

QJsonObject toJson(const DeploySteps::Compile &compile);
std::optional<DeploySteps::Compile> compileFromJson(const QJsonObject &json);

QJsonObject toJson(const DeploySteps::Restore &restore);
std::optional<DeploySteps::Restore> restoreFromJson(const QJsonObject &json);

// Without the process's output tail.
QJsonObject toJson(const BacktestRun::Result &result);
std::optional<BacktestRun::Result> backtestFromJson(const QJsonObject &json);

} // namespace StepRecords
