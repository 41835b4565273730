#include "LifecycleServices.h"

UpdateController::UpdateController(QObject* parent) : QObject(parent) {}
