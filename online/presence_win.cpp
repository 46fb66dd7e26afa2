#include "online/presence_win.h"

#include <windows.h>

#include <random>

#include "common/guard.h"
#include "common/http.h"
#include "common/ini.h"
#include "common/log.h"
#include "common/maker.h"
#include "online/presence.h"

namespace lumo {

namespace {

bool Succeeded(const std::optional<HttpResponse>& r) {
    return r && r->status >= 200 && r->status < 300;
}

int MakeRandom() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::mt19937 rng(static_cast<unsigned>(GetTickCount() ^ GetCurrentThreadId()) ^
                     std::random_device{}());
    int jitter = std::uniform_int_distribution<int>(0, 9999)(rng);
    return PresenceRandom(now.wHour * 3600 + now.wMinute * 60 + now.wSecond, jitter);
}

}  // namespace

void PresenceReporter::Report(int op, std::chrono::milliseconds timeout) {
    Guarded([&] {
        const std::string config = folder_ + "Config.ini";
        int random = MakeRandom();
        std::string address;
        if (auto lookup = HttpGet(MakerUrl(folder_, "/ip2city.asp"), timeout); Succeeded(lookup))
            address = PublicAddressFrom(lookup->body);

        std::string id;
        {
            std::lock_guard lock(mu_);
            if (op == kPresenceStart || !clientId_)
                clientId_ = ReadIniString(config, "Client", "ClientId", kNoClientId);
            id = *clientId_;
        }
        auto answer =
            HttpGet(PresenceReportUrl(MakerHost(folder_), address, op, random, id), timeout);
        // An error page is no answer: its text must not become an identifier.
        if (!Succeeded(answer)) {
            LogInfo("online", "report " + std::to_string(op) + " not answered");
            return;
        }
        Registration reg = RegistrationFrom(id, op, answer->body);
        {
            std::lock_guard lock(mu_);
            clientId_ = reg.clientId;
        }
        if (reg.store)
            WriteIniString(config, "Client", "ClientId", reg.clientId);
    });
}

std::string PresenceReporter::clientId() const {
    std::lock_guard lock(mu_);
    return clientId_.value_or(std::string(kNoClientId));
}

}  // namespace lumo
