// A site profile: the settings one controller may hand to the next (operating and alarm set-points, the
// access list and the Ethernet speed), as a small JSON file; comparing it with a device and planning the
// writes that make the device match. Per-unit settings (network identity, device identifier, clock,
// measured-value calibration) never travel in a profile.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_key.h"
#include "polling/poll_state.h"
#include "polling/status_decoder.h"
#include "polling/write_sequence.h"

namespace zephyra {

inline constexpr const char *kProfileFormat = "zephyra-site-profile";
inline constexpr int kProfileFormatVersion = 1;

enum class ProfileSetting {
    CHLimit,
    BModel,
    BCho,
    ACOV,
    ACUV,
    DCOV,
    DCUV,
    EthSpeed,
    AclEnable,
    AclRange1,
    AclRange2,
    AclRange3,
    AclRange4,
    AclRange5,
    Count
};
inline constexpr std::size_t kProfileSettings = static_cast<std::size_t>(ProfileSetting::Count);

struct ProfileSettingInfo {
    ProfileSetting Setting;
    const char *Key;   // the file's name for it
    const char *Label; // the dialog's caption, for windows and messages
    const char *Unit;  // "V", "" ...
    int32_t Register;  // the first register it lives in
    int Registers;
    bool AclDialog; // written by the access-list dialog, which only the serial link may open
};
// In the order of the dialogs' rows: operating, then access list.
std::span<const ProfileSettingInfo> ProfileSettingInfos();
const ProfileSettingInfo &InfoOf(ProfileSetting setting);

// Values are texts in the operator's units, in one canonical spelling per setting ("58.0",
// "3 A", "10.0.0.1 ~ 10.0.0.254"), so equal settings compare equal as text. A setting the profile does
// not hold is left alone.
struct SiteProfile {
    std::string Model = kModelName;
    std::array<std::optional<std::string>, kProfileSettings> Values;
    const std::optional<std::string> &Value(ProfileSetting s) const {
        return Values[static_cast<std::size_t>(s)];
    }
};

// A setting's value as the windows show it: the Korean pick-list entries the profile file spells in
// Korean read in the language tr gives; numbers and addresses stay as they are.
std::string ShownValue(ProfileSetting s, const std::string &value, const TextTranslator &tr);

// What the device holds, from a decoded status block, in the same spelling.
SiteProfile ProfileFromSnapshot(const StatusSnapshot &snapshot);

std::string ProfileToJson(const SiteProfile &profile);
// Refuses (error text, profile untouched) anything it does not understand: not JSON, another format or
// model, a newer version, unknown keys, per-unit settings (named), a value of the wrong kind, a register
// that is not the setting's.
std::string ProfileFromJson(std::string_view text, SiteProfile &profile, const TextTranslator &tr);

struct ProfileCompareRow {
    ProfileSetting Setting;
    std::string Device, Profile; // Profile empty when the profile leaves the setting out
    bool Differs = false;
};
std::vector<ProfileCompareRow> CompareProfile(const StatusSnapshot &device, const SiteProfile &profile);
// Setting, register, device, profile, differs: one line each, RFC 4180 quoting, CRLF; in the chosen
// language like the compare window it is saved from.
std::string CompareCsv(const std::vector<ProfileCompareRow> &rows, const TextTranslator &tr);

// "ac_high_voltage (AC 고전압): device 270, profile 260" for a shell reading a difference.
std::string DiffLine(const ProfileCompareRow &row);

struct ProfileApplyPlan {
    // Non-empty: refused before anything is written; it names the setting at fault.
    std::string Error;
    // For the write sequence, in push order (it sends them last-first): the access-list dialog's writes,
    // then the operating dialog's, so the device sees the operating set-points first, each group in its
    // own dialog's order.
    std::vector<PendingWrite> Writes;
    std::vector<ProfileSetting> Changed;
    // Differing access-list settings left out because this link may not write them.
    std::vector<ProfileSetting> Withheld;
};
// Every value the profile holds is checked by its dialog's rule, whether it differs or not; the writes
// are exactly what the dialogs send with the differing rows ticked.
ProfileApplyPlan PlanProfileApply(const StatusSnapshot &device, const SiteProfile &profile, bool aclWritable,
                                  const TextTranslator &tr);

// What happened to one setting of an apply. Echoed, Unconfirmed and Pending are settled by the next status
// read (Confirm): Echoed becomes Confirmed or NotConfirmed; Unconfirmed keeps its outcome and the value read.
enum class ApplyOutcome {
    Unchanged,
    Confirmed,    // echoed, and the next status read shows the value
    NotConfirmed, // echoed, but the next status read shows another value
    Refused,      // the device refused a write of it (ExceptionCode)
    NotSent,      // none of its writes went out (Why)
    Withheld,
    Pending,      // the sequence has not ended
    Failed,       // a write's echo carried another register or value
    Unconfirmed,  // sent, but the sequence ended (deadline, cancel, a later word not sent) before every
                  // word was echoed: Decoded says what the device holds
    Echoed,       // every word echoed; the status read is still to come
};

struct ProfileApplyResult {
    ProfileSetting Setting;
    ApplyOutcome Outcome = ApplyOutcome::Unchanged;
    int ExceptionCode = 0;
    std::string Wanted, Decoded; // Decoded: what the status read after the writes shows
    NotSentWhy Why = NotSentWhy::None;
    bool Read = false; // Decoded comes from a status read after the sequence
};

// Follows one apply: the write sequence's report at its end, then the next status decode.
class ProfileApplyTracker {
public:
    ProfileApplyTracker(const StatusSnapshot &device, const SiteProfile &profile,
                        const ProfileApplyPlan &plan);
    // The sequence's end: each write's outcome, as the controller decided it.
    void SequenceEnded(const WriteSequenceReport &report);
    // The sequence could not start: nothing went out.
    void NothingSent();
    bool Ended() const { return ended_; }
    // The first status decoded after the sequence settles what was written.
    void Confirm(const StatusSnapshot &after);
    bool Confirmed() const { return confirmed_; }
    const std::vector<ProfileApplyResult> &Results() const { return results_; }

private:
    ProfileApplyResult *ResultFor(int32_t address);

    ProfileApplyPlan plan_;
    SiteProfile profile_;
    std::vector<ProfileApplyResult> results_;
    bool ended_ = false;
    bool confirmed_ = false;
};

std::string OutcomeText(const ProfileApplyResult &result, const TextTranslator &tr);

} // namespace zephyra
