#include "polling/poll_controller.h"

#include "polling/formatters.h"

namespace zephyra {

namespace {
constexpr const char *kStatusStartHex = "0001";
constexpr const char *kStatusCountHex = "007F";
constexpr const char *kStatusByteCountHex = "FE";
} // namespace

void PollController::Timer1Timer() {
    if (state_.PollDue) {
        state_.PollDue = false;
        state_.PollCountdown = 3;
        trace_ << "RectMode >> "
               << " [ " << HexDigits(state_.RequestMode, 2) << " ]" << std::endl;

        HistoryDownload &h = state_.History;
        switch (state_.RequestMode) {
        case mode::kPoll:
            if (state_.Link != LinkKind::Serial)
                timer_.SetInterval(300);
            else if (state_.AlarmTestActive != 0)
                timer_.SetInterval(400);
            else
                timer_.SetInterval(200);
            codec_.BuildReadRequest(kStatusStartHex, kStatusCountHex);
            break;
        case mode::kNetworkReadBack: {
            const uint8_t data[] = {0x01};
            codec_.BuildVendorRequest(kFnNetwork, data);
            state_.RequestMode = mode::kPoll;
            break;
        }
        case mode::kHistoryCount:
            if (++h.CountPhase > 1) {
                h.CountPhase = 0;
                const uint8_t data[] = {static_cast<uint8_t>(h.Kind), 0x01};
                codec_.BuildVendorRequest(kFnHistory, data);
            }
            break;
        case mode::kHistoryRecord:
        case mode::kHistoryNextRecord: {
            // The collector keeps one record request outstanding and raises PollDue when its reply
            // is in, so the next one goes out on the following tick.
            if (history_ && !history_->RecordRequestDue())
                break;
            Bytes data{static_cast<uint8_t>(h.Kind), 0x02};
            AppendBE16(data, h.Total - h.Current);
            codec_.BuildVendorRequest(kFnHistory, data);
            if (history_)
                history_->RecordRequestSent();
            break;
        }
        default:
            break;
        }
    }
    if (state_.RequestMode <= 19) {
        if (--state_.PollCountdown == 0)
            state_.PollDue = true;
    }
}

void PollController::ResponseDispatcher(int32_t function, Bytes payload) {
    switch (function) {
    case kFnReadInput:
        DispatchStatus(payload);
        break;
    case kFnWriteSingle:
        DispatchWriteEcho();
        break;
    case kFnNetwork:
        DispatchNetwork(payload);
        break;
    case kFnHistory:
        if (history_)
            history_->CollectHistory(payload);
        break;
    case kFnWriteSingle | kExceptionBit:
        // The device refused a queued write: the rest of the sequence must not go out.
        if (state_.WriteSequenceRunning)
            EndWriteSequence(false);
        break;
    default:
        break; // other exception replies and unknown functions
    }
}

void PollController::DispatchStatus(Bytes &payload) {
    if (payload.empty())
        return;
    Bytes count = TakeFront(payload, 1);
    if (state_.RequestMode != mode::kPoll || HexDigits(count[0], 2) != kStatusByteCountHex)
        return;
    // A TCP frame may claim the right count yet carry fewer bytes.
    if (payload.size() < static_cast<std::size_t>(kStatusByteCount))
        return;
    if (view_)
        view_->ApplyAccessRules();
    DecodeStatus(payload, snapshot_, view_model_);
    ++decodeCount_;
    if (view_)
        view_->ShowStatus(snapshot_, view_model_);
}

void PollController::DispatchWriteEcho() {
    int32_t &count = state_.PendingWriteCount;
    if (count > 0) {
        const PendingWrite &w = state_.PendingWrites[static_cast<std::size_t>(count)];
        codec_.BuildWriteRequest(w.Address, w.Value);
        --count;
    } else if (count == 0 && state_.WriteSequenceRunning) {
        EndWriteSequence(true);
    }
}

void PollController::EndWriteSequence(bool ok) {
    state_.WriteSequenceRunning = false;
    if (!ok)
        state_.PendingWriteCount = -1; // later echoes send nothing more
    if (ok)
        operator_.ShowInformation(kSettingSuccess);
    else
        operator_.ShowError(kSettingFail);
    // The mode is still 20 while the box is open, so no poll goes out until it is closed.
    if (state_.AlarmTestActive == 1)
        state_.RequestMode = mode::kPoll;
    if (state_.Link == LinkKind::Tcp)
        state_.RequestMode = mode::kPoll;
}

void PollController::DispatchNetwork(Bytes &payload) {
    TakeFront(payload, 2);
    if (payload.empty())
        return;
    uint8_t sub = TakeFront(payload, 1)[0];
    if (sub == 1) {
        DecodeIpSettingsReply(payload, snapshot_);
        state_.RequestMode = mode::kPoll;
        if (view_)
            view_->NetworkIdentityChanged(snapshot_);
    } else if (sub == 2 && !payload.empty()) {
        if (payload[0] == 1) {
            // The reply carries no identity: what was written becomes the known identity.
            Bytes written = state_.LastRawRequest;
            TakeFront(written, 5);
            DecodeIpSettingsReply(written, snapshot_);
            if (view_)
                view_->NetworkIdentityChanged(snapshot_);
            operator_.ShowInformation(kSettingSuccess);
        } else if (payload[0] == 2) {
            operator_.ShowError(kSettingFail);
        }
    }
}

void PollController::StartWriteSequence(const std::vector<PendingWrite> &writes) {
    // Nothing to write leaves the queue alone: a count of 1 here would make a late echo resend a stale slot.
    if (writes.empty())
        return;
    state_.PendingWriteCount = 1;
    for (const PendingWrite &w : writes) {
        if (state_.PendingWriteCount > kPendingWriteSlots)
            break;
        state_.PendingWrites[static_cast<std::size_t>(state_.PendingWriteCount)] = w;
        ++state_.PendingWriteCount;
    }
    if (state_.Link == LinkKind::Tcp) {
        state_.RequestMode = mode::kPaused;
        // Reaching the client through the codec's port keeps one owner of the link.
        LinkPort &port = codec_.Port();
        if (!port.TcpConnected()) {
            std::string error = port.ConnectTcp();
            if (!error.empty()) {
                // Nothing went out, so nothing is queued: an echo must not send what this OK never sent.
                state_.PendingWriteCount = 0;
                state_.WriteSequenceRunning = false;
                operator_.ShowError(error);
                return;
            }
        }
    }
    state_.WriteSequenceRunning = true;
    --state_.PendingWriteCount;
    const PendingWrite &w = state_.PendingWrites[static_cast<std::size_t>(state_.PendingWriteCount)];
    codec_.BuildWriteRequest(w.Address, w.Value);
    --state_.PendingWriteCount;
    state_.PollCountdown = 3;
    state_.PollDue = true;
}

} // namespace zephyra
