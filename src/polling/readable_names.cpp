#include "polling/readable_names.h"

#include <array>

#include "core/text_key.h"

namespace zephyra {

namespace {

constexpr ReadableName kNames[] = {
    {"edtDate", "device_date", "", ZEPHYRA_TEXT("zephyra", "날짜")},
    {"edtTime", "device_time", "", ZEPHYRA_TEXT("zephyra", "시간")},
    {"edtACV", "ac_input_voltage", "V", ZEPHYRA_TEXT("zephyra", "AC 입력전압")},
    {"edtDCV", "dc_output_voltage", "V", ZEPHYRA_TEXT("zephyra", "DC 출력전압")},
    {"edtLCA", "load_current", "A", ZEPHYRA_TEXT("zephyra", "DC 부하전류")},
    {"edtBCA", "battery_current", "A", ZEPHYRA_TEXT("zephyra", "축전지 전류")},
    {"edtRT", "rack_temperature", "°C", ZEPHYRA_TEXT("zephyra", "랙 온도")},
    {"edtVer", "firmware_version", "", ZEPHYRA_TEXT("zephyra", "F/W 버전")},
    {"edtFwCnt", "firmware_count", "", ZEPHYRA_TEXT("zephyra", "F/W 버전")},
    {"spACF", "ac_input_failure", "", ZEPHYRA_TEXT("zephyra", "AC입력 전원이상")},
    {"spDCH", "dc_output_high_voltage", "", ZEPHYRA_TEXT("zephyra", "DC출력 고전압")},
    {"spDCL", "dc_output_low_voltage", "", ZEPHYRA_TEXT("zephyra", "DC출력 저전압")},
    {"spRF1", "rectifier_module_1_failure", "", ZEPHYRA_TEXT("zephyra", "정류모듈1 Fail")},
    {"spRF2", "rectifier_module_2_failure", "", ZEPHYRA_TEXT("zephyra", "정류모듈2 Fail")},
    {"spBF", "battery_cutoff", "", ZEPHYRA_TEXT("zephyra", "축전지 차단")},
    {"spACF_RY", "ac_fail_relay", "", "AC Fail"},
    {"spDCF_RY", "dc_fail_relay", "", "DC Fail"},
    {"spBF_RY", "battery_fail_relay", "", "Battery Fail"},
    {"spMF_RY", "module_fail_relay", "", "Module Fail"},
    {"spMA_RY", "summary_alarm_relay", "", ZEPHYRA_TEXT("zephyra", "MA (통합경보)")},
    {"edtDischRelay", "discharge_relay", "", ZEPHYRA_TEXT("zephyra", "방전 Relay")},
    {"edtTempHRelay", "temperature_high_relay", "", ZEPHYRA_TEXT("zephyra", "온도 High Relay")},
    {"edtTempLRelay", "temperature_low_relay", "", ZEPHYRA_TEXT("zephyra", "온도 Low Relay")},
    {"edtChRelay", "charge_relay", "", ZEPHYRA_TEXT("zephyra", "충전 Relay")},
    {"edtChRef", "charge_reference", "", "CH Reference"},
    {"edtTcpFlag", "tcp_connected", "", ZEPHYRA_TEXT("zephyra", "TCP 접속")},
    {"edtTcpComFailCnt", "tcp_reset_count", "", ZEPHYRA_TEXT("zephyra", "TCP 리셋 카운트")},
    {"edtWatchdogCnt", "watchdog_count", "", ZEPHYRA_TEXT("zephyra", "Watchdog 카운트")},
    {"edtChLimit", "charge_current_limit", "A", ZEPHYRA_TEXT("zephyra", "충전전류제한")},
    {"edtB_Model", "battery_model", "", ZEPHYRA_TEXT("zephyra", "축전지 종류")},
    {"edtB_Cho", "battery_strings", "", ZEPHYRA_TEXT("zephyra", "축전지 수량")},
    {"edtACH", "ac_high_voltage_setpoint", "V", ZEPHYRA_TEXT("zephyra", "AC 고전압")},
    {"edtACL", "ac_low_voltage_setpoint", "V", ZEPHYRA_TEXT("zephyra", "AC 저전압")},
    {"edtDCH", "dc_high_voltage_setpoint", "V", ZEPHYRA_TEXT("zephyra", "DC 고전압")},
    {"edtDCL", "dc_low_voltage_setpoint", "V", ZEPHYRA_TEXT("zephyra", "DC 저전압")},
    {"edtEthSpeed", "ethernet_speed", "", ZEPHYRA_TEXT("zephyra", "이더넷 속도")},
    {"edtDeviceID", "device_id", "", ZEPHYRA_TEXT("zephyra", "장비 ID")},
    {"edtIP", "ip_address", "", "IP"},
    {"edtGW", "gateway", "", "Gateway"},
    {"edtSM", "subnet_mask", "", "Subnet"},
    {"edtMAC", "mac_address", "", "Mac Addr"},
    {"edtACLEn", "acl_enabled", "", ZEPHYRA_TEXT("zephyra", "ACL 사용(공인망) / 미사용(NCN망)")},
    {"edtACL_IP11", "acl_1_start", "", "#1"},
    {"edtACL_IP12", "acl_1_end", "", "#1 ~"},
    {"edtACL_IP21", "acl_2_start", "", "#2"},
    {"edtACL_IP22", "acl_2_end", "", "#2 ~"},
    {"edtACL_IP31", "acl_3_start", "", "#3"},
    {"edtACL_IP32", "acl_3_end", "", "#3 ~"},
    {"edtACL_IP41", "acl_4_start", "", "#4"},
    {"edtACL_IP42", "acl_4_end", "", "#4 ~"},
    {"edtACL_IP51", "acl_5_start", "", "#5"},
    {"edtACL_IP52", "acl_5_end", "", "#5 ~"},
    {"edtACL_DIP11", "acl_default_1_start", "", "#1"},
    {"edtACL_DIP12", "acl_default_1_end", "", "#1 ~"},
    {"edtACL_DIP21", "acl_default_2_start", "", "#2"},
    {"edtACL_DIP22", "acl_default_2_end", "", "#2 ~"},
    {"edtACL_DIP31", "acl_default_3_start", "", "#3"},
    {"edtACL_DIP32", "acl_default_3_end", "", "#3 ~"},
    {"edtACL_DIP41", "acl_default_4_start", "", "#4"},
    {"edtACL_DIP42", "acl_default_4_end", "", "#4 ~"},
    {"edtACL_DIP51", "acl_default_5_start", "", "#5"},
    {"edtACL_DIP52", "acl_default_5_end", "", "#5 ~"},
};

} // namespace

std::span<const ReadableName> ReadableNames() {
    return kNames;
}

const ReadableName *FindReadableName(std::string_view widget) {
    for (const ReadableName &n : kNames)
        if (widget == n.Widget)
            return &n;
    return nullptr;
}

const char *ReadableKey(const char *widget) {
    const ReadableName *n = widget ? FindReadableName(widget) : nullptr;
    return n ? n->Key : widget;
}

} // namespace zephyra
