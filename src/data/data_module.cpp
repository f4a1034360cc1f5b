#include "data/data_module.h"

TDM_MB* DM_MB = nullptr;

TDM_MB::TDM_MB(QObject* parent)
    : QObject(parent)
    , ADOCon(new db::Connection(this))
{
}

TDM_MB::~TDM_MB() = default;
