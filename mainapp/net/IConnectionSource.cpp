#include "mainapp/net/IConnectionSource.h"

namespace {
IConnectionSource* g_source = nullptr;
}

void IConnectionSource::Install(IConnectionSource* source) {
    g_source = source;
}
IConnectionSource* IConnectionSource::Installed() {
    return g_source;
}

CServerConnection* IConnectionSource::Get(const std::string& reason, bool allowAsk) {
    return g_source ? g_source->GetConnection(reason, allowAsk) : nullptr;
}
