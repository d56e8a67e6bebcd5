<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ko_KR">
<context>
    <name>ProfileWindow</name>
    <message>
        <source>폴더 열기</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>PDF (*.pdf)</source>
        <translation>PDF (*.pdf)</translation>
    </message>
    <message>
        <source>사이트 프로필 (*.json)</source>
        <translation>Site profile (*.json)</translation>
    </message>
    <message>
        <source>저장</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>열기</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>프로필을 저장하지 못했습니다: </source>
        <translation>Could not save the profile: </translation>
    </message>
    <message>
        <source>프로필을 읽지 못했습니다: </source>
        <translation>Could not read the profile: </translation>
    </message>
    <message>
        <source>

ACL 설정은 시리얼 연결에서만 쓸 수 있어 보내지 않습니다:</source>
        <translation>

Access-list settings can only be written over a serial link and are not sent:</translation>
    </message>
    <message>
        <source>장비가 이미 프로필과 같습니다. 보낼 것이 없습니다.</source>
        <translation>The controller already matches the profile. Nothing to send.</translation>
    </message>
    <message>
        <source>다음 설정을 장비에 씁니다:
</source>
        <translation>These settings will be written to the controller:
</translation>
    </message>
    <message>
        <source>

계속할까요?</source>
        <translation>

Continue?</translation>
    </message>
    <message>
        <source>프로필 적용</source>
        <translation>Apply profile</translation>
    </message>
    <message>
        <source>프로필 저장 </source>
        <translation>Save profile </translation>
    </message>
    <message>
        <source>프로필 비교 </source>
        <translation>Compare with profile </translation>
    </message>
    <message>
        <source>프로필 적용 </source>
        <translation>Apply profile </translation>
    </message>
    <message>
        <source>시운전 보고서 </source>
        <translation>Commissioning report </translation>
    </message>
    <message>
        <source>프로필을 저장했습니다: %1</source>
        <translation>Profile saved: %1</translation>
    </message>
    <message>
        <source>보고서를 저장하지 못했습니다: </source>
        <translation>Could not save the report: </translation>
    </message>
    <message>
        <source>보고서를 저장했습니다: %1</source>
        <translation>Report saved: %1</translation>
    </message>
    <message>
        <source>PDF를 쓰지 못했습니다</source>
        <translation>The PDF could not be written</translation>
    </message>
    <message>
        <source>시운전 보고서</source>
        <translation>Commissioning report</translation>
    </message>
    <message>
        <source>(확인하지 않음)</source>
        <translation>(none: not checked)</translation>
    </message>
    <message>
        <source>찾기...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>현장 이름</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>기술자</source>
        <translation>Technician</translation>
    </message>
    <message>
        <source>확인할 사이트 프로필</source>
        <translation>Site profile to check against</translation>
    </message>
</context>
<context>
    <name>zephyra</name>
    <message>
        <source>구성정보 초기화</source>
        <translation>Reset configuration</translation>
    </message>
    <message>
        <source>환경정보 초기화</source>
        <translation>Reset environment settings</translation>
    </message>
    <message>
        <source>구성정보 초기화: 제어기의 구성정보가 공장 출하값으로 되돌아갑니다. 계속하시겠습니까?</source>
        <translation>Reset configuration: the controller&apos;s configuration is reset to factory values. Continue?</translation>
    </message>
    <message>
        <source>환경정보 초기화: 제어기의 환경정보가 공장 출하값으로 되돌아갑니다. 계속하시겠습니까?</source>
        <translation>Reset environment settings: the controller&apos;s environment settings are reset to factory values. Continue?</translation>
    </message>
    <message>
        <source>AC 전압</source>
        <translation>AC voltage</translation>
    </message>
    <message>
        <source>DC 전압</source>
        <translation>DC voltage</translation>
    </message>
    <message>
        <source>부하 전류</source>
        <translation>Load current</translation>
    </message>
    <message>
        <source>축전지 전류 (+)</source>
        <translation>Battery current (+)</translation>
    </message>
    <message>
        <source>축전지 전류 (-)</source>
        <translation>Battery current (-)</translation>
    </message>
    <message>
        <source>계측정보 초기화</source>
        <translation>Reset measurement calibration</translation>
    </message>
    <message>
        <source>경보설정 초기화</source>
        <translation>Reset alarm settings</translation>
    </message>
    <message>
        <source>공장 초기화</source>
        <translation>Factory reset</translation>
    </message>
    <message>
        <source>알람이력: 장치의 알람 이력이 지워집니다. 계속하시겠습니까?</source>
        <translation>Alarm history: the device&apos;s alarm log is erased. Continue?</translation>
    </message>
    <message>
        <source>이벤트이력: 장치의 이벤트 이력이 지워집니다. 계속하시겠습니까?</source>
        <translation>Event history: the device&apos;s event log is erased. Continue?</translation>
    </message>
    <message>
        <source>전체 : </source>
        <translation>Total : </translation>
    </message>
    <message>
        <source>이력 초기화 </source>
        <translation>Clear History</translation>
    </message>
    <message>
        <source>이력 데이터 </source>
        <translation>History Data</translation>
    </message>
    <message>
        <source>폴더 열기</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>년</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>월</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>일</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>시</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>분</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>초</source>
        <translation>Second</translation>
    </message>
    <message>
        <source>충전전류 제한</source>
        <translation>Charge current limit</translation>
    </message>
    <message>
        <source>제어 명령</source>
        <translation>Control command</translation>
    </message>
    <message>
        <source>축전지 종류</source>
        <translation>Battery type</translation>
    </message>
    <message>
        <source>축전지 수량</source>
        <translation>Battery strings</translation>
    </message>
    <message>
        <source>AC 고전압</source>
        <translation>AC high voltage</translation>
    </message>
    <message>
        <source>AC 저전압</source>
        <translation>AC low voltage</translation>
    </message>
    <message>
        <source>DC 고전압</source>
        <translation>DC high voltage</translation>
    </message>
    <message>
        <source>DC 저전압</source>
        <translation>DC low voltage</translation>
    </message>
    <message>
        <source>경보시험</source>
        <translation>Alarm test</translation>
    </message>
    <message>
        <source>경보시험 항목</source>
        <translation>Alarm test items</translation>
    </message>
    <message>
        <source>축전지 전류</source>
        <translation>Battery current</translation>
    </message>
    <message>
        <source>장비 ID</source>
        <translation>Device ID</translation>
    </message>
    <message>
        <source>제어보드 리셋</source>
        <translation>Controller reset</translation>
    </message>
    <message>
        <source>미사용</source>
        <translation>Not used</translation>
    </message>
    <message>
        <source>아트라스</source>
        <translation>Atlas</translation>
    </message>
    <message>
        <source>세방전지</source>
        <translation>Sebang</translation>
    </message>
    <message>
        <source> 조</source>
        <translation> string(s)</translation>
    </message>
    <message>
        <source>미사용</source>
        <comment>ACL switch</comment>
        <translation>Off</translation>
    </message>
    <message>
        <source>사용</source>
        <comment>ACL switch</comment>
        <translation>On</translation>
    </message>
    <message>
        <source>장비 ID: &apos;%1&apos; 값은 열 자리 숫자가 아닙니다</source>
        <translation>Device ID: &apos;%1&apos; is not ten decimal digits</translation>
    </message>
    <message>
        <source>바코드: &apos;%1&apos; 값은 MAC 주소(두 자리 16진수 여섯 묶음)가 아닙니다</source>
        <translation>Barcode: &apos;%1&apos; is not a MAC address (six two-digit hex parts)</translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; 값이 범위(%3..%4)를 벗어났습니다</source>
        <translation>%1: &apos;%2&apos; is out of range (%3..%4)</translation>
    </message>
    <message>
        <source>%1: 선택된 항목이 없습니다</source>
        <translation>%1: nothing is selected</translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; 값은 주소 자리(0..255)로 쓸 수 없습니다</source>
        <translation>%1: &apos;%2&apos; is not a valid address octet (0..255)</translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; 값은 주소 자리(00..FF)로 쓸 수 없습니다</source>
        <translation>%1: &apos;%2&apos; is not a valid address octet (00..FF)</translation>
    </message>
    <message>
        <source>%1개 데이터<byte value="xd"/>저장됨!!</source>
        <translation>%1 records<byte value="xd"/>saved!!</translation>
    </message>
    <message>
        <source>장비가 %1초째 응답하지 않습니다 — 기록 개수를 기다리는 중</source>
        <translation>No reply from the device for %1 s — waiting for the record count</translation>
    </message>
    <message>
        <source>장비가 %1초째 응답하지 않습니다 — %3건 중 %2건 받음</source>
        <translation>No reply from the device for %1 s — received %2 of %3</translation>
    </message>
    <message>
        <source>%1 시운전 보고서</source>
        <translation>%1 Commissioning Report</translation>
    </message>
    <message>
        <source>장비 정보</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>모델</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>펌웨어 버전 (날짜)</source>
        <translation>Firmware version (date)</translation>
    </message>
    <message>
        <source>MAC 주소</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>IP 주소</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>서브넷 마스크</source>
        <translation>Subnet mask</translation>
    </message>
    <message>
        <source>게이트웨이</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>장비 시각</source>
        <translation>Device clock</translation>
    </message>
    <message>
        <source>보고서 작성 일시</source>
        <translation>Report created</translation>
    </message>
    <message>
        <source>운용/알람 설정</source>
        <translation>Operating and alarm settings</translation>
    </message>
    <message>
        <source>접근 제어 목록 (ACL)</source>
        <translation>Access control list (ACL)</translation>
    </message>
    <message>
        <source>현재 측정값</source>
        <translation>Present measurements</translation>
    </message>
    <message>
        <source>AC 입력 전압</source>
        <translation>AC input voltage</translation>
    </message>
    <message>
        <source>DC 출력 전압</source>
        <translation>DC output voltage</translation>
    </message>
    <message>
        <source>랙 온도</source>
        <translation>Rack temperature</translation>
    </message>
    <message>
        <source>이더넷 링크</source>
        <translation>Ethernet link</translation>
    </message>
    <message>
        <source>경보 램프</source>
        <translation>Alarm lamps</translation>
    </message>
    <message>
        <source>경보</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>통신 상태 (이번 세션)</source>
        <translation>Communication (this session)</translation>
    </message>
    <message>
        <source>연결</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>상태</source>
        <translation>State</translation>
    </message>
    <message>
        <source>요청</source>
        <translation>Requests</translation>
    </message>
    <message>
        <source>응답</source>
        <translation>Replies</translation>
    </message>
    <message>
        <source>시간 초과</source>
        <translation>Time-outs</translation>
    </message>
    <message>
        <source>CRC 오류</source>
        <translation>CRC errors</translation>
    </message>
    <message>
        <source>버린 프레임</source>
        <translation>Dropped frames</translation>
    </message>
    <message>
        <source>예외 응답</source>
        <translation>Exception replies</translation>
    </message>
    <message>
        <source>재연결</source>
        <translation>Reconnects</translation>
    </message>
    <message>
        <source>마지막 오류</source>
        <translation>Last error</translation>
    </message>
    <message>
        <source>이벤트 이력</source>
        <translation>Event log</translation>
    </message>
    <message>
        <source>데이터 이력</source>
        <translation>Data log</translation>
    </message>
    <message>
        <source>알람 이력</source>
        <translation>Alarm log</translation>
    </message>
    <message>
        <source>이력: %1</source>
        <translation>History: %1</translation>
    </message>
    <message>
        <source>기록 %1건 중 마지막 %2건</source>
        <translation>Last %2 of %1 records</translation>
    </message>
    <message>
        <source>이력</source>
        <translation>History</translation>
    </message>
    <message>
        <source>이번 세션에서 내려받은 이력이 없습니다.</source>
        <translation>No history was downloaded in this session.</translation>
    </message>
    <message>
        <source>서명: ______________________</source>
        <translation>Signature: ______________________</translation>
    </message>
    <message>
        <source>날짜: ______________________</source>
        <translation>Date: ______________________</translation>
    </message>
    <message>
        <source>Ethernet Speed</source>
        <translation>Ethernet Speed</translation>
    </message>
    <message>
        <source>ACL 사용</source>
        <translation>ACL enabled</translation>
    </message>
    <message>
        <source>ACL #1</source>
        <translation>ACL #1</translation>
    </message>
    <message>
        <source>ACL #2</source>
        <translation>ACL #2</translation>
    </message>
    <message>
        <source>ACL #3</source>
        <translation>ACL #3</translation>
    </message>
    <message>
        <source>ACL #4</source>
        <translation>ACL #4</translation>
    </message>
    <message>
        <source>ACL #5</source>
        <translation>ACL #5</translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos;은(는) 목록에 없는 값입니다 (%3)</source>
        <translation>%1: &apos;%2&apos; is not one of the choices (%3)</translation>
    </message>
    <message>
        <source>프로필 파일을 읽을 수 없습니다 (JSON 아님): %1</source>
        <translation>The profile file cannot be read (not JSON): %1</translation>
    </message>
    <message>
        <source>프로필 파일이 아닙니다: &quot;format&quot;이 &quot;%1&quot;이어야 합니다</source>
        <translation>Not a profile file: &quot;format&quot; must be &quot;%1&quot;</translation>
    </message>
    <message>
        <source>프로필의 &quot;format_version&quot;이 올바르지 않습니다</source>
        <translation>The profile&apos;s &quot;format_version&quot; is not valid</translation>
    </message>
    <message>
        <source>프로필 형식 버전 %1은(는) 이 프로그램보다 새롭습니다 (버전 %2까지 읽을 수 있습니다)</source>
        <translation>Profile format version %1 is newer than this program (it reads up to version %2)</translation>
    </message>
    <message>
        <source>프로필에 알 수 없는 항목이 있습니다: %1</source>
        <translation>The profile holds an unknown item: %1</translation>
    </message>
    <message>
        <source>다른 장비의 프로필입니다: 모델이 %1이어야 합니다 (파일: %2)</source>
        <translation>A profile of another device: the model must be %1 (file: %2)</translation>
    </message>
    <message>
        <source>프로필의 &quot;settings&quot;가 목록이 아닙니다</source>
        <translation>The profile&apos;s &quot;settings&quot; is not a list</translation>
    </message>
    <message>
        <source>프로필의 설정 항목에 &quot;key&quot;가 없습니다</source>
        <translation>A setting of the profile has no &quot;key&quot;</translation>
    </message>
    <message>
        <source>%1: 알 수 없는 항목 %2</source>
        <translation>%1: unknown item %2</translation>
    </message>
    <message>
        <source>%1: &quot;register&quot;는 0x0021처럼 16진수로 씁니다</source>
        <translation>%1: &quot;register&quot; is written in hex, like 0x0021</translation>
    </message>
    <message>
        <source>%1: 레지스터가 %2이어야 합니다 (파일: %3)</source>
        <translation>%1: the register must be %2 (file: %3)</translation>
    </message>
    <message>
        <source>%1: 두 번 들어 있습니다</source>
        <translation>%1: appears twice</translation>
    </message>
    <message>
        <source>%1 (%2): 값이 없습니다</source>
        <translation>%1 (%2): no value</translation>
    </message>
    <message>
        <source>%1 (%2): 숫자여야 합니다</source>
        <translation>%1 (%2): must be a number</translation>
    </message>
    <message>
        <source>%1 (%2): 문자열이어야 합니다</source>
        <translation>%1 (%2): must be a string</translation>
    </message>
    <message>
        <source>%1 (%2): &apos;시작 주소 ~ 끝 주소&apos;로 씁니다</source>
        <translation>%1 (%2): written as &apos;start address ~ end address&apos;</translation>
    </message>
    <message>
        <source>장비마다 고유한 설정은 프로필에 넣을 수 없습니다: %1</source>
        <translation>Settings that belong to one unit cannot be in a profile: %1</translation>
    </message>
    <message>
        <source>프로필에 알 수 없는 설정이 있습니다: %1</source>
        <translation>The profile holds unknown settings: %1</translation>
    </message>
    <message>
        <source>같음, 보내지 않음</source>
        <translation>Same, not sent</translation>
    </message>
    <message>
        <source>기록, 다음 상태 읽기에서 확인됨</source>
        <translation>Written, confirmed by the next status read</translation>
    </message>
    <message>
        <source>기록했으나 확인되지 않음 (읽은 값: %1)</source>
        <translation>Written but not confirmed (read back: %1)</translation>
    </message>
    <message>
        <source>거부됨: %1</source>
        <translation>Refused: %1</translation>
    </message>
    <message>
        <source>보내지 않음</source>
        <translation>Not sent</translation>
    </message>
    <message>
        <source>보내지 않음: ACL은 시리얼 연결에서만 쓸 수 있음</source>
        <translation>Not sent: the ACL can be written over the serial link only</translation>
    </message>
    <message>
        <source>응답 없음</source>
        <translation>No reply</translation>
    </message>
    <message>
        <source>잘못된 기능 코드</source>
        <translation>illegal function</translation>
    </message>
    <message>
        <source>잘못된 데이터 주소</source>
        <translation>illegal data address</translation>
    </message>
    <message>
        <source>잘못된 데이터 값</source>
        <translation>illegal data value</translation>
    </message>
    <message>
        <source>장비 내부 오류</source>
        <translation>server device failure</translation>
    </message>
    <message>
        <source>접수됨, 처리 중</source>
        <translation>acknowledge</translation>
    </message>
    <message>
        <source>장비 사용 중</source>
        <translation>server device busy</translation>
    </message>
    <message>
        <source>예외 %1</source>
        <translation>exception %1</translation>
    </message>
    <message>
        <source>기록됨:</source>
        <translation>Written:</translation>
    </message>
    <message>
        <source>거부됨: %1 (%2)</source>
        <translation>Refused: %1 (%2)</translation>
    </message>
    <message>
        <source>%1: 일부만 기록됨 — 장비의 ID가 옛 값과 새 값이 섞인 상태입니다</source>
        <translation>%1: partly written — the device now holds a mixed id</translation>
    </message>
    <message>
        <source>%1: 일부만 기록됨 — 장비의 값이 옛 값과 새 값이 섞인 상태입니다</source>
        <translation>%1: partly written — the device now holds a mixed value</translation>
    </message>
    <message>
        <source>보내지 않음:</source>
        <translation>Not sent:</translation>
    </message>
    <message>
        <source>날짜</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>시간</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>AC 입력전압</source>
        <translation>AC input voltage</translation>
    </message>
    <message>
        <source>DC 출력전압</source>
        <translation>DC output voltage</translation>
    </message>
    <message>
        <source>DC 부하전류</source>
        <translation>DC load current</translation>
    </message>
    <message>
        <source>F/W 버전</source>
        <translation>F/W version</translation>
    </message>
    <message>
        <source>AC입력 전원이상</source>
        <translation>AC input failure</translation>
    </message>
    <message>
        <source>DC출력 고전압</source>
        <translation>DC output high voltage</translation>
    </message>
    <message>
        <source>DC출력 저전압</source>
        <translation>DC output low voltage</translation>
    </message>
    <message>
        <source>정류모듈1 Fail</source>
        <translation>Rectifier module 1 fail</translation>
    </message>
    <message>
        <source>정류모듈2 Fail</source>
        <translation>Rectifier module 2 fail</translation>
    </message>
    <message>
        <source>축전지 차단</source>
        <translation>Battery cut-off</translation>
    </message>
    <message>
        <source>MA (통합경보)</source>
        <translation>MA (summary alarm)</translation>
    </message>
    <message>
        <source>방전 Relay</source>
        <translation>Discharge relay</translation>
    </message>
    <message>
        <source>온도 High Relay</source>
        <translation>Temperature high relay</translation>
    </message>
    <message>
        <source>온도 Low Relay</source>
        <translation>Temperature low relay</translation>
    </message>
    <message>
        <source>충전 Relay</source>
        <translation>Charge relay</translation>
    </message>
    <message>
        <source>TCP 접속</source>
        <translation>TCP link</translation>
    </message>
    <message>
        <source>TCP 리셋 카운트</source>
        <translation>TCP reset count</translation>
    </message>
    <message>
        <source>Watchdog 카운트</source>
        <translation>Watchdog count</translation>
    </message>
    <message>
        <source>충전전류제한</source>
        <translation>Charge current limit</translation>
    </message>
    <message>
        <source>이더넷 속도</source>
        <translation>Ethernet speed</translation>
    </message>
    <message>
        <source>ACL 사용(공인망) / 미사용(NCN망)</source>
        <translation>ACL on (public network) / off (NCN network)</translation>
    </message>
    <message>
        <source>1조</source>
        <translation>1 string</translation>
    </message>
    <message>
        <source>2조</source>
        <translation>2 strings</translation>
    </message>
    <message>
        <source>3조</source>
        <translation>3 strings</translation>
    </message>
    <message>
        <source>설정,레지스터,장비,프로필,차이</source>
        <translation>Setting,Register,Device,Profile,Differs</translation>
    </message>
    <message>
        <source>다름</source>
        <translation>Differs</translation>
    </message>
    <message>
        <source>연결이 끊어졌습니다</source>
        <translation>connection closed</translation>
    </message>
    <message>
        <source>파일이 이미 있습니다</source>
        <translation>the file exists already</translation>
    </message>
    <message>
        <source>완성된 파일의 이름을 바꿀 수 없습니다 (%1)</source>
        <translation>the finished file cannot be renamed (%1)</translation>
    </message>
    <message>
        <source>한 시트에 넣기에는 행이 너무 많습니다 (최대 %1행)</source>
        <translation>too many rows for one sheet (%1 at most)</translation>
    </message>
    <message>
        <source>폴더에 쓸 수 없습니다</source>
        <translation>the folder is not writable</translation>
    </message>
    <message>
        <source>파일을 만들 수 없습니다</source>
        <translation>the file cannot be created</translation>
    </message>
    <message>
        <source>파일에 쓸 수 없습니다</source>
        <translation>the file cannot be written</translation>
    </message>
    <message>
        <source>폴더 경로가 폴더가 아닌 파일을 가리킵니다</source>
        <translation>the folder path names a file, not a folder</translation>
    </message>
    <message>
        <source>폴더가 없습니다</source>
        <translation>the folder does not exist</translation>
    </message>
    <message>
        <source>폴더에 접근할 수 없습니다 (%1)</source>
        <translation>the folder cannot be reached (%1)</translation>
    </message>
    <message>
        <source>남은 파일 이름이 없습니다 (%1개 모두 있음)</source>
        <translation>no free file name (%1 taken)</translation>
    </message>
    <message>
        <source>로그 파일 %1에 쓸 수 없습니다: %2</source>
        <translation>Cannot write the log file %1: %2</translation>
    </message>
    <message>
        <source>통합 문서 라이브러리 %1을(를) 불러올 수 없습니다</source>
        <translation>the workbook library %1 could not be loaded</translation>
    </message>
    <message>
        <source>복합 문서 파일을 만들 수 없습니다</source>
        <translation>compound file could not be built</translation>
    </message>
    <message>
        <source>%1 파일을 만들 수 없습니다</source>
        <translation>cannot create %1</translation>
    </message>
    <message>
        <source>%1 파일에 쓸 수 없습니다</source>
        <translation>cannot write %1</translation>
    </message>
    <message>
        <source>시리얼 포트 끊김</source>
        <translation>serial port lost</translation>
    </message>
    <message>
        <source>시리얼 포트 끊김: %1</source>
        <translation>serial port lost: %1</translation>
    </message>
    <message>
        <source>연결 실패</source>
        <translation>connect failed</translation>
    </message>
    <message>
        <source>연결 실패: %1</source>
        <translation>connect failed: %1</translation>
    </message>
    <message>
        <source>%1초 안에 응답 없음</source>
        <translation>no reply within %1 s</translation>
    </message>
    <message>
        <source>장비가 이 연결을 끊었습니다. 다른 클라이언트가 사용 중일 수 있습니다</source>
        <translation>the device dropped this connection; another client may be using it</translation>
    </message>
    <message>
        <source>%1 포트가 없습니다 (어댑터가 꽂혀 있습니까?)</source>
        <translation>%1 does not exist (is the adapter plugged in?)</translation>
    </message>
    <message>
        <source>%1 포트를 쓸 권한이 없습니다: 포트를 가진 그룹에 사용자를 추가하고 (보통: sudo usermod -aG dialout $USER) 다시 로그인하십시오</source>
        <translation>No permission to use %1: add your user to the group that owns it (usually: sudo usermod -aG dialout $USER), then log in again</translation>
    </message>
    <message>
        <source>%1 포트를 다른 프로그램이 쓰고 있습니다</source>
        <translation>%1 is in use by another program</translation>
    </message>
    <message>
        <source>연결 시간이 초과되었습니다</source>
        <translation>Connection timed out</translation>
    </message>
    <message>
        <source>연결이 거부되었습니다</source>
        <translation>Connection refused</translation>
    </message>
    <message>
        <source>호스트를 찾을 수 없습니다</source>
        <translation>Host not found</translation>
    </message>
    <message>
        <source>장비가 연결을 닫았습니다</source>
        <translation>The device closed the connection</translation>
    </message>
    <message>
        <source>연결하지 못했습니다</source>
        <translation>Connection failed</translation>
    </message>
    <message>
        <source>알람이력</source>
        <translation>alarm log</translation>
    </message>
    <message>
        <source>데이터이력</source>
        <translation>data log</translation>
    </message>
    <message>
        <source>이벤트이력</source>
        <translation>event log</translation>
    </message>
    <message>
        <source>이력 %1</source>
        <translation>log %1</translation>
    </message>
    <message>
        <source>완료</source>
        <translation>done</translation>
    </message>
    <message>
        <source>거부</source>
        <translation>refused</translation>
    </message>
    <message>
        <source>결과 %1</source>
        <translation>result %1</translation>
    </message>
    <message>
        <source>짧은 프레임</source>
        <translation>short frame</translation>
    </message>
    <message>
        <source> (길이 표시 %1, 실제 %2)</source>
        <translation> (length says %1, has %2)</translation>
    </message>
    <message>
        <source>상태 읽기 127개 레지스터</source>
        <translation>status read 127 regs</translation>
    </message>
    <message>
        <source>%2부터 %1개 레지스터 읽기</source>
        <translation>read %1 regs from %2</translation>
    </message>
    <message>
        <source>상태 응답 %1바이트</source>
        <translation>status reply %1 bytes</translation>
    </message>
    <message>
        <source>읽기 응답 %1바이트</source>
        <translation>read reply %1 bytes</translation>
    </message>
    <message>
        <source>쓰기 %1 := %2</source>
        <translation>write %1 := %2</translation>
    </message>
    <message>
        <source>에코 %1 = %2</source>
        <translation>echo %1 = %2</translation>
    </message>
    <message>
        <source>%1 개수 요청</source>
        <translation>history count of %1</translation>
    </message>
    <message>
        <source>%2 개수 %1</source>
        <translation>history count %1 in %2</translation>
    </message>
    <message>
        <source>%1 기록</source>
        <translation>history record of %1</translation>
    </message>
    <message>
        <source>%2 기록 %1 요청</source>
        <translation>history record request %1 of %2</translation>
    </message>
    <message>
        <source>%1 초기화</source>
        <translation>initialise %1</translation>
    </message>
    <message>
        <source>%1 초기화: %2</source>
        <translation>initialise %1: %2</translation>
    </message>
    <message>
        <source>%2 명령 %1</source>
        <translation>history command %1 of %2</translation>
    </message>
    <message>
        <source>네트워크 정보 읽기</source>
        <translation>network identity read</translation>
    </message>
    <message>
        <source>네트워크 정보</source>
        <translation>network identity</translation>
    </message>
    <message>
        <source>네트워크 정보 쓰기</source>
        <translation>network identity write</translation>
    </message>
    <message>
        <source>네트워크 정보 쓰기: %1</source>
        <translation>network identity write: %1</translation>
    </message>
    <message>
        <source>네트워크 정보 부명령 %1</source>
        <translation>network identity sub %1</translation>
    </message>
    <message>
        <source>없음</source>
        <translation>none</translation>
    </message>
    <message>
        <source>CRC 불일치</source>
        <translation>bad CRC</translation>
    </message>
    <message>
        <source>알 수 없는 국번 또는 기능</source>
        <translation>unknown unit or function</translation>
    </message>
    <message>
        <source>대기 중이 아닌 트랜잭션 ID</source>
        <translation>transaction id not outstanding</translation>
    </message>
    <message>
        <source>길이 불일치</source>
        <translation>length mismatch</translation>
    </message>
    <message>
        <source>무응답 후 반쪽 프레임</source>
        <translation>half frame after silence</translation>
    </message>
    <message>
        <source>잡음</source>
        <translation>noise</translation>
    </message>
    <message>
        <source>기다리지 않던 응답</source>
        <translation>reply not awaited</translation>
    </message>
    <message>
        <source>짧은 데이터 블록</source>
        <translation>short block</translation>
    </message>
    <message>
        <source>요청과 맞지 않는 응답</source>
        <translation>does not answer the request</translation>
    </message>
    <message>
        <source>이미 끝난 요청의 응답</source>
        <translation>reply to a request that had ended</translation>
    </message>
    <message>
        <source>이미 저장된 기록의 응답</source>
        <translation>second answer to a record already stored</translation>
    </message>
    <message>
        <source>사유 %1</source>
        <translation>reason %1</translation>
    </message>
    <message>
        <source>버림: %1</source>
        <translation>dropped: %1</translation>
    </message>
    <message>
        <source>예외 응답 %1 (기능 0x%2)</source>
        <translation>exception %1 on 0x%2</translation>
    </message>
    <message>
        <source>기능 0x%1</source>
        <translation>function 0x%1</translation>
    </message>
    <message>
        <source>#%1 시작 주소</source>
        <translation>#%1 start</translation>
    </message>
    <message>
        <source>#%1 끝 주소</source>
        <translation>#%1 end</translation>
    </message>
    <message>
        <source>레지스터 %1</source>
        <translation>register %1</translation>
    </message>
    <message>
        <source>기록 파일 %1에 쓸 수 없습니다</source>
        <translation>The recording cannot be written to %1</translation>
    </message>
    <message>
        <source>%2 폴더에 %1 기록을 둘 빈 파일 이름이 없습니다</source>
        <translation>No free name for the recording of %1 in %2</translation>
    </message>
    <message>
        <source>%1초</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>시리얼 포트 끊김 — 재시도 중</source>
        <translation>Serial port lost — retrying</translation>
    </message>
    <message>
        <source>장비가 이 연결을 끊었습니다. 다른 클라이언트가 사용 중일 수 있습니다 — 재접속 중</source>
        <translation>The device dropped this connection; another client may be using it — reconnecting</translation>
    </message>
    <message>
        <source>연결 안 됨 — 재시도 중</source>
        <translation>Not connected — retrying</translation>
    </message>
    <message>
        <source>정상 · %1</source>
        <translation>OK · %1</translation>
    </message>
    <message>
        <source>정상</source>
        <comment>link health</comment>
        <translation>OK</translation>
    </message>
    <message>
        <source>응답 느림 · %1</source>
        <translation>Slow replies · %1</translation>
    </message>
    <message>
        <source>폴링 멈춤 · %1 전 값</source>
        <translation>Polling paused · values %1 old</translation>
    </message>
    <message>
        <source>첫 응답을 기다리는 중</source>
        <translation>Waiting for the first reply</translation>
    </message>
    <message>
        <source>%1째 응답 없음 — 요청 1건 시간 초과</source>
        <translation>No reply for %1 — 1 request timed out</translation>
    </message>
    <message>
        <source>%1째 응답 없음 — 요청 %2건 시간 초과</source>
        <translation>No reply for %1 — %2 requests timed out</translation>
    </message>
    <message>
        <source>%1째 응답 없음 — 요청 1건 응답 대기 중</source>
        <translation>No reply for %1 — 1 request awaited</translation>
    </message>
    <message>
        <source>%1째 응답 없음 — 요청 %2건 응답 대기 중</source>
        <translation>No reply for %1 — %2 requests awaited</translation>
    </message>
    <message>
        <source>%1째 응답 없음</source>
        <translation>No reply for %1</translation>
    </message>
    <message>
        <source>쓴 레지스터나 값과 다른 응답</source>
        <translation>Echo with another register or value than written</translation>
    </message>
    <message>
        <source>끝난 쓰기 순서의 늦은 응답</source>
        <translation>Late echo of a write sequence that had ended</translation>
    </message>
    <message>
        <source>설정 응답 시간 초과: 장비가 %1초 안에 응답하지 않았습니다</source>
        <translation>Setting timed out: the device did not answer within %1 s</translation>
    </message>
    <message>
        <source>보냈으나 확인되지 않음 (장비에 들어갔는지 알 수 없음):</source>
        <translation>Sent, not confirmed (the device may or may not hold it):</translation>
    </message>
    <message>
        <source>설정 중단: %1</source>
        <translation>Setting cancelled: %1</translation>
    </message>
    <message>
        <source>보내지 않음: 앞의 쓰기가 거부됨</source>
        <translation>Not sent: an earlier write was refused</translation>
    </message>
    <message>
        <source>보내지 않음: 앞의 쓰기의 응답이 맞지 않음</source>
        <translation>Not sent: an earlier write's echo did not match</translation>
    </message>
    <message>
        <source>보내지 않음: 앞의 쓰기가 응답 시간 안에 확인되지 않음</source>
        <translation>Not sent: an earlier write was not confirmed in time</translation>
    </message>
    <message>
        <source>보내지 않음: 중단됨</source>
        <translation>Not sent: cancelled</translation>
    </message>
    <message>
        <source>실패: 응답의 레지스터나 값이 보낸 것과 다름</source>
        <translation>Failed: the echo's register or value differs from what was sent</translation>
    </message>
    <message>
        <source>보냈으나 응답 없음 — 상태 읽기를 기다리는 중</source>
        <translation>Sent, no echo — waiting for the status read</translation>
    </message>
    <message>
        <source>보냈으나 응답 없음 — 다음 상태 읽기에서 장비에 들어간 것이 확인됨</source>
        <translation>Sent, no echo — the next status read shows the device holds it</translation>
    </message>
    <message>
        <source>보냈으나 응답 없음 — 장비 값: %1</source>
        <translation>Sent, no echo — the device holds: %1</translation>
    </message>
    <message>
        <source>기록됨 — 상태 읽기를 기다리는 중</source>
        <translation>Written — waiting for the status read</translation>
    </message>
    <message>
        <source>장비에 연결되어 있지 않습니다. 연결한 뒤 다시 하십시오.</source>
        <translation>Not connected to a device. Connect, then try again.</translation>
    </message>
    <message>
        <source>이 연결에서 장비가 아직 응답하지 않았습니다. 첫 응답을 기다린 뒤 다시 하십시오.</source>
        <translation>The device has not answered on this link yet. Wait for its first reply, then try again.</translation>
    </message>
    <message>
        <source>값이 %1부터 갱신되지 않았습니다 (%2초 전). 장비가 다시 응답하면 하십시오.</source>
        <translation>The values are stale since %1 (%2 s ago). Try again when the device answers.</translation>
    </message>
    <message>
        <source>항목</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>값</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>현장</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>현장 이름</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>기술자</source>
        <translation>Technician</translation>
    </message>
    <message>
        <source>값을 읽은 시각</source>
        <translation>Values read at</translation>
    </message>
    <message>
        <source>보고서 작성 때 값의 나이</source>
        <translation>Age of the values when written</translation>
    </message>
    <message>
        <source>사이트 프로필 확인</source>
        <translation>Site profile check</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Setting</translation>
    </message>
    <message>
        <source>장비 값</source>
        <translation>Device value</translation>
    </message>
    <message>
        <source>프로필 값</source>
        <translation>Profile value</translation>
    </message>
    <message>
        <source>프로필 %1과(와) 대조: 일치합니다</source>
        <translation>checked against %1: matches</translation>
    </message>
    <message>
        <source>프로필 %1과(와) 대조: %2개 설정이 다릅니다</source>
        <translation>checked against %1: %2 settings differ</translation>
    </message>
    <message>
        <source>활성 경보</source>
        <translation>Active alarms</translation>
    </message>
    <message>
        <source>비고</source>
        <translation>Remark</translation>
    </message>
    <message>
        <source>램프</source>
        <translation>Lamp</translation>
    </message>
    <message>
        <source>활성 경보가 없습니다.</source>
        <translation>No alarm is active.</translation>
    </message>
    <message>
        <source>기술자 이름: %1</source>
        <translation>Technician: %1</translation>
    </message>
    <message>
        <source>응답 불일치: %1 (보낸 값 %2, 응답 레지스터 %3 값 %4)</source>
        <translation>Reply mismatch: %1 (sent value %2, reply register %3 value %4)</translation>
    </message>
</context>
<context>
    <name>zephyra::TFactory_Initial</name>
    <message>
        <source>공장초기화 </source>
        <translation>Factory Reset</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>zephyra::TMain_Form</name>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>종료 </source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>접속 </source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>연결하기 </source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>연결끊기 </source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>로그인 </source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>로그아웃 </source>
        <translation>Log out</translation>
    </message>
    <message>
        <source>통신 모니터</source>
        <translation>Traffic monitor</translation>
    </message>
    <message>
        <source>조회/설정 </source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>운용/알람 설정 </source>
        <translation>Operation/Alarm settings</translation>
    </message>
    <message>
        <source>계측값 설정 </source>
        <translation>Measurement calibration</translation>
    </message>
    <message>
        <source>날짜/시간 설정 </source>
        <translation>Date/Time settings</translation>
    </message>
    <message>
        <source>정류기 IP 설정 </source>
        <translation>Rectifier IP settings</translation>
    </message>
    <message>
        <source>ACL 설정</source>
        <translation>ACL settings</translation>
    </message>
    <message>
        <source>제어보드 리셋 </source>
        <translation>Controller reset</translation>
    </message>
    <message>
        <source>공장 초기화 </source>
        <translation>Factory reset</translation>
    </message>
    <message>
        <source>경보 시험 </source>
        <translation>Alarm test</translation>
    </message>
    <message>
        <source>이력 </source>
        <translation>History</translation>
    </message>
    <message>
        <source>알람 이력 </source>
        <translation>Alarm history</translation>
    </message>
    <message>
        <source>이벤트 이력 </source>
        <translation>Event history</translation>
    </message>
    <message>
        <source>이력 초기화 </source>
        <translation>Clear History</translation>
    </message>
    <message>
        <source>홈페이지 </source>
        <translation>Home page</translation>
    </message>
    <message>
        <source>경보시험 중이며 PC접속이 3분이상 되지 않으면 자동복귀합니다</source>
        <translation>Alarm test on: it ends by itself after 3 min without the PC</translation>
    </message>
    <message>
        <source>현재 시간 정보 </source>
        <translation>Current time</translation>
    </message>
    <message>
        <source>날짜 </source>
        <translation>Date</translation>
    </message>
    <message>
        <source>시간 </source>
        <translation>Time</translation>
    </message>
    <message>
        <source>계측값 </source>
        <translation>Measurements</translation>
    </message>
    <message>
        <source>AC 입력전압 </source>
        <translation>AC input</translation>
    </message>
    <message>
        <source>DC 출력전압</source>
        <translation>DC output</translation>
    </message>
    <message>
        <source>DC 부하전류 </source>
        <translation>Load current</translation>
    </message>
    <message>
        <source>축전지 전류 </source>
        <translation>Battery current</translation>
    </message>
    <message>
        <source>랙 온도 </source>
        <translation>Rack temp.</translation>
    </message>
    <message>
        <source>F/W 버전 </source>
        <translation>F/W version</translation>
    </message>
    <message>
        <source>운용 설정값 </source>
        <translation>Set-points</translation>
    </message>
    <message>
        <source>AC 고전압 </source>
        <translation>AC high</translation>
    </message>
    <message>
        <source>AC 저전압 </source>
        <translation>AC low</translation>
    </message>
    <message>
        <source>DC 고전압 </source>
        <translation>DC high</translation>
    </message>
    <message>
        <source>DC 저전압 </source>
        <translation>DC low</translation>
    </message>
    <message>
        <source>경보 </source>
        <translation>Alarms</translation>
    </message>
    <message>
        <source>AC입력 전원이상 </source>
        <translation>AC input failure</translation>
    </message>
    <message>
        <source>DC출력 고전압 </source>
        <translation>DC output high</translation>
    </message>
    <message>
        <source>DC출력 저전압 </source>
        <translation>DC output low</translation>
    </message>
    <message>
        <source>정류모듈1 Fail</source>
        <translation>Rectifier 1 fail</translation>
    </message>
    <message>
        <source>정류모듈2 Fail</source>
        <translation>Rectifier 2 fail</translation>
    </message>
    <message>
        <source>축전지 차단 </source>
        <translation>Battery cut-off</translation>
    </message>
    <message>
        <source>경보접점 </source>
        <translation>Alarm contacts</translation>
    </message>
    <message>
        <source>MA (통합경보)</source>
        <translation>MA (summary alarm)</translation>
    </message>
    <message>
        <source>축전지 운용  </source>
        <translation>Battery</translation>
    </message>
    <message>
        <source>65536 조</source>
        <translation>65536 string(s)</translation>
    </message>
    <message>
        <source>충전전류제한 </source>
        <translation>Charge limit</translation>
    </message>
    <message>
        <source>축전지 종류 </source>
        <translation>Battery type</translation>
    </message>
    <message>
        <source>축전지 수량 </source>
        <translation>Strings</translation>
    </message>
    <message>
        <source>충전 Relay</source>
        <translation>Charge relay</translation>
    </message>
    <message>
        <source>정류기 IP 정보 </source>
        <translation>Rectifier IP</translation>
    </message>
    <message>
        <source>ACL (Access Control List)  정보 </source>
        <translation>ACL (Access Control List)</translation>
    </message>
    <message>
        <source>ACL 사용(공인망) / 미사용(NCN망) </source>
        <translation>ACL on (public network) / off (NCN network)</translation>
    </message>
    <message>
        <source>장비 ID</source>
        <translation>Device ID</translation>
    </message>
    <message>
        <source>이더넷 속도 </source>
        <translation>Ethernet speed</translation>
    </message>
    <message>
        <source>ACL 추가 대역</source>
        <translation>Added ACL ranges</translation>
    </message>
    <message>
        <source>TCP 접속</source>
        <translation>TCP link</translation>
    </message>
    <message>
        <source>TCP 리셋 카운트 </source>
        <translation>TCP reset count</translation>
    </message>
    <message>
        <source>Watchdog 카운트 </source>
        <translation>Watchdog count</translation>
    </message>
    <message>
        <source>기타 운용  </source>
        <translation>Other relays</translation>
    </message>
    <message>
        <source>방전 Relay</source>
        <translation>Discharge relay</translation>
    </message>
    <message>
        <source>온도 High Relay</source>
        <translation>Temp. high relay</translation>
    </message>
    <message>
        <source>온도 Low Relay</source>
        <translation>Temp. low relay</translation>
    </message>
    <message>
        <source>%1 조</source>
        <translation>%1 string(s)</translation>
    </message>
    <message>
        <source>보류된 폴링: %1건 (요청 %2건이 응답 대기 중일 때)</source>
        <translation>Polls held back: %1 (while %2 requests awaited replies)</translation>
    </message>
    <message>
        <source>연결 끊김 (다른 클라이언트?) — 재접속 중</source>
        <translation>Dropped (another client?) — reconnecting</translation>
    </message>
</context>
<context>
    <name>zephyra::TOutMessage</name>
    <message>
        <source>예 </source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>아니오</source>
        <translation>No</translation>
    </message>
    <message>
        <source>주의 </source>
        <translation>Caution</translation>
    </message>
    <message>
        <source>정말 실행하겠습니까 ?</source>
        <translation>Do you really want to do this?</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>zephyra::TStatusLogPage</name>
    <message>
        <source>로그를 이 파일에 저장했습니다: %1</source>
        <translation>The log was saved as %1</translation>
    </message>
</context>
<context>
    <name>zephyra::TTrendPage</name>
    <message>
        <source>지난 시간 보기</source>
        <translation>Scroll back in time</translation>
    </message>
    <message>
        <source>구간</source>
        <translation>Span</translation>
    </message>
    <message>
        <source>10분</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>1시간</source>
        <translation>1 h</translation>
    </message>
    <message>
        <source>8시간</source>
        <translation>8 h</translation>
    </message>
    <message>
        <source>24시간</source>
        <translation>24 h</translation>
    </message>
    <message>
        <source>CSV로 기록</source>
        <translation>Record to CSV</translation>
    </message>
    <message>
        <source>기록 열기…</source>
        <translation>Open recording…</translation>
    </message>
    <message>
        <source>실시간</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>PNG 저장</source>
        <translation>Save PNG</translation>
    </message>
    <message>
        <source>기록 열기</source>
        <translation>Open recording</translation>
    </message>
    <message>
        <source>추이 기록 (trend-*.csv);;CSV 파일 (*.csv)</source>
        <translation>Trend recordings (trend-*.csv);;CSV files (*.csv)</translation>
    </message>
    <message>
        <source>%1 파일을 열 수 없습니다</source>
        <translation>Cannot open %1</translation>
    </message>
    <message>
        <source>%1 (읽기 전용): 표본 %2개</source>
        <translation>%1 (read-only): %2 samples</translation>
    </message>
    <message>
        <source>%1 (읽기 전용): 표본 %2개, 읽을 수 없는 1줄은 건너뜀</source>
        <translation>%1 (read-only): %2 samples, 1 line skipped that could not be read</translation>
    </message>
    <message>
        <source>%1 (읽기 전용): 표본 %2개, 읽을 수 없는 %3줄은 건너뜀</source>
        <translation>%1 (read-only): %2 samples, %3 lines skipped that could not be read</translation>
    </message>
    <message>
        <source>차트를 %1(으)로 저장하지 못했습니다</source>
        <translation>The chart could not be saved as %1</translation>
    </message>
    <message>
        <source>차트 저장됨: %1</source>
        <translation>Chart saved as %1</translation>
    </message>
    <message>
        <source>추이</source>
        <translation>Trend</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmACLSetting</name>
    <message>
        <source>ACL 설정</source>
        <translation>ACL settings</translation>
    </message>
    <message>
        <source>장비 ID</source>
        <translation>Device ID</translation>
    </message>
    <message>
        <source>10자리 입력 </source>
        <translation>10 digits</translation>
    </message>
    <message>
        <source>ACL 사용(공인망) / 미사용(NCN망) </source>
        <translation>ACL on (public network) / off (NCN network)</translation>
    </message>
    <message>
        <source>미사용</source>
        <translation>Not used</translation>
    </message>
    <message>
        <source>사용</source>
        <translation>Used</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmAlarmTest</name>
    <message>
        <source>경보 시험 </source>
        <translation>Alarm test</translation>
    </message>
    <message>
        <source>AC 전원이상  </source>
        <translation>AC power failure</translation>
    </message>
    <message>
        <source>DC 고전압 </source>
        <translation>DC high</translation>
    </message>
    <message>
        <source>DC 저전압 </source>
        <translation>DC low</translation>
    </message>
    <message>
        <source>축전지 차단 </source>
        <translation>Battery cut-off</translation>
    </message>
    <message>
        <source>축전지 방전시험 </source>
        <translation>Battery discharge test</translation>
    </message>
    <message>
        <source>경보시험 </source>
        <translation>Alarm test</translation>
    </message>
    <message>
        <source>미사용</source>
        <translation>Not used</translation>
    </message>
    <message>
        <source>사용</source>
        <translation>Used</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>닫기</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmComPort</name>
    <message>
        <source>접속 </source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>포트 찾기 </source>
        <translation>Find ports</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmControl</name>
    <message>
        <source>제어보드 리셋 </source>
        <translation>Controller reset</translation>
    </message>
    <message>
        <source>정말 실행하시겠습니까?</source>
        <translation>Do you really want to do this?</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmHistList</name>
    <message>
        <source>  ( 계측 List )</source>
        <translation>  ( Measurement list )</translation>
    </message>
    <message>
        <source> AC(V) : AC 입력전압</source>
        <translation> AC(V) : AC input voltage</translation>
    </message>
    <message>
        <source> LC(A)  : DC 부하전류</source>
        <translation> LC(A)  : DC load current</translation>
    </message>
    <message>
        <source> RT(C)  : Rack 온도</source>
        <translation> RT(C)  : Rack temperature</translation>
    </message>
    <message>
        <source> DC(V) : DC 출력전압</source>
        <translation> DC(V) : DC output voltage</translation>
    </message>
    <message>
        <source> BC(A)  : Battery 전류</source>
        <translation> BC(A)  : Battery current</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmHistory</name>
    <message>
        <source>약어 풀이 </source>
        <translation>Abbreviations</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmIPSetting</name>
    <message>
        <source>IP 설정 </source>
        <translation>IP settings</translation>
    </message>
    <message>
        <source>정류기 IP 주소</source>
        <translation>Rectifier IP address</translation>
    </message>
    <message>
        <source>Mac 주소</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>Mac 주소변환</source>
        <translation>Convert MAC</translation>
    </message>
    <message>
        <source>Mac 주소 바코드</source>
        <translation>MAC address barcode</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>기본값 </source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmInitial</name>
    <message>
        <source>알람이력</source>
        <translation>Alarm history</translation>
    </message>
    <message>
        <source>이벤트이력</source>
        <translation>Event history</translation>
    </message>
    <message>
        <source>설정 </source>
        <translation>Set</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmPoint_Setting</name>
    <message>
        <source>운용/알람 설정 </source>
        <translation>Operation/Alarm settings</translation>
    </message>
    <message>
        <source>충전전류 제한 (Off, 3~ 5A) </source>
        <translation>Charge current limit (Off, 3~5 A)</translation>
    </message>
    <message>
        <source>축전지 종류 </source>
        <translation>Battery type</translation>
    </message>
    <message>
        <source>축전지 수량 </source>
        <translation>Strings</translation>
    </message>
    <message>
        <source>AC 고전압 (230V ~ 270V)</source>
        <translation>AC high voltage (230V ~ 270V)</translation>
    </message>
    <message>
        <source>AC 저전압 (160V ~ 210V)</source>
        <translation>AC low voltage (160V ~ 210V)</translation>
    </message>
    <message>
        <source>DC 고전압 (55.0V ~ 59.0V) </source>
        <translation>DC high voltage (55.0V ~ 59.0V)</translation>
    </message>
    <message>
        <source>DC 저전압 (43.0V ~ 50.0V) </source>
        <translation>DC low voltage (43.0V ~ 50.0V)</translation>
    </message>
    <message>
        <source>아트라스</source>
        <translation>Atlas</translation>
    </message>
    <message>
        <source>세방전지</source>
        <translation>Sebang</translation>
    </message>
    <message>
        <source>1조</source>
        <translation>1 string</translation>
    </message>
    <message>
        <source>2조</source>
        <translation>2 strings</translation>
    </message>
    <message>
        <source>3조</source>
        <translation>3 strings</translation>
    </message>
    <message>
        <source>운용설정 </source>
        <translation>Operating settings</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>기본값 </source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>전체 선택 </source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmProfileCompare</name>
    <message>
        <source>프로필 비교</source>
        <translation>Compare with profile</translation>
    </message>
    <message>
        <source>프로필: %1</source>
        <translation>Profile: %1</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Setting</translation>
    </message>
    <message>
        <source>레지스터</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>장비 값</source>
        <translation>Controller value</translation>
    </message>
    <message>
        <source>프로필 값</source>
        <translation>Profile value</translation>
    </message>
    <message>
        <source>차이</source>
        <translation>Difference</translation>
    </message>
    <message>
        <source>(없음)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>다름</source>
        <translation>Differs</translation>
    </message>
    <message>
        <source>장비가 프로필과 같습니다.</source>
        <translation>The controller matches the profile.</translation>
    </message>
    <message>
        <source>다른 설정: %1개</source>
        <translation>Settings that differ: %1</translation>
    </message>
    <message>
        <source>CSV 저장</source>
        <translation>Save CSV</translation>
    </message>
    <message>
        <source>닫기</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>CSV를 저장하지 못했습니다: </source>
        <translation>Could not save the CSV: </translation>
    </message>
    <message>
        <source>저장했습니다: %1</source>
        <translation>Saved: %1</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmProfileResult</name>
    <message>
        <source>프로필 적용 결과</source>
        <translation>Profile apply result</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Setting</translation>
    </message>
    <message>
        <source>레지스터</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>프로필 값</source>
        <translation>Profile value</translation>
    </message>
    <message>
        <source>결과</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>닫기</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>쓰기 후 상태 읽기로 확인한 결과입니다.</source>
        <translation>Results as confirmed by the status read after the writes.</translation>
    </message>
    <message>
        <source>쓰기는 끝났습니다. 장비가 지금 가진 값은 다음 상태 읽기에서 확인합니다…</source>
        <translation>The writes are over. What the device now holds is confirmed at the next status read…</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmRecControl</name>
    <message>
        <source>로그인 </source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>아이디 </source>
        <translation>User ID</translation>
    </message>
    <message>
        <source>비밀번호 </source>
        <translation>Password</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmSetTime</name>
    <message>
        <source>날짜/시간 설정 </source>
        <translation>Date/Time settings</translation>
    </message>
    <message>
        <source>날짜</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>년</source>
        <translation>year</translation>
    </message>
    <message>
        <source>월</source>
        <translation>month</translation>
    </message>
    <message>
        <source>시간</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>시</source>
        <translation>h</translation>
    </message>
    <message>
        <source>분</source>
        <translation>min</translation>
    </message>
    <message>
        <source>초</source>
        <translation>s</translation>
    </message>
    <message>
        <source>날짜 / 시간</source>
        <translation>Date / Time</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>현재 날짜/시간</source>
        <translation>PC date/time</translation>
    </message>
    <message>
        <source>닫기</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmSetting</name>
    <message>
        <source>계측값 설정 </source>
        <translation>Measurement calibration</translation>
    </message>
    <message>
        <source>AC 전압 </source>
        <translation>AC voltage</translation>
    </message>
    <message>
        <source>DC 전압 </source>
        <translation>DC voltage</translation>
    </message>
    <message>
        <source>부하 전류 </source>
        <translation>Load current</translation>
    </message>
    <message>
        <source>축전지 전류 (+)</source>
        <translation>Battery current (+)</translation>
    </message>
    <message>
        <source>축전지 전류 (-)</source>
        <translation>Battery current (-)</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmTCP_Set</name>
    <message>
        <source>TCP_원격 설정</source>
        <translation>TCP remote settings</translation>
    </message>
    <message>
        <source>ACL 설정 </source>
        <translation>ACL settings</translation>
    </message>
    <message>
        <source>ACL 사용(공인망) / 미사용(NCN망) </source>
        <translation>ACL on (public network) / off (NCN network)</translation>
    </message>
    <message>
        <source>미사용</source>
        <translation>Not used</translation>
    </message>
    <message>
        <source>사용</source>
        <translation>Used</translation>
    </message>
    <message>
        <source>설정 </source>
        <translation>Set</translation>
    </message>
    <message>
        <source>나가기 </source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>zephyra::TfrmTraffic</name>
    <message>
        <source>통신 모니터</source>
        <translation>Traffic monitor</translation>
    </message>
    <message>
        <source>없음</source>
        <translation>none</translation>
    </message>
    <message>
        <source>일시정지</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>지우기</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>카운터 초기화</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>저장</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>예외 응답: %1</source>
        <translation>Exceptions: %1</translation>
    </message>
    <message>
        <source>버려진 프레임: %1</source>
        <translation>Dropped: %1</translation>
    </message>
    <message>
        <source>마지막 오류: %1</source>
        <translation>Last error: %1</translation>
    </message>
    <message>
        <source>마지막 오류: %1 (%2)</source>
        <translation>Last error: %1 (at %2)</translation>
    </message>
    <message>
        <source>계속</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>텍스트 (*.txt);;모든 파일 (*)</source>
        <translation>Text (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>%1 파일에 쓸 수 없습니다.</source>
        <translation>Could not write %1</translation>
    </message>
    <message>
        <source>요청 %1   응답 %2   응답없음 %3   대체됨 %4   보류 %5   CRC 오류 %6   재연결 %7   포트 끊김 %8   손실 %9</source>
        <translation>Requests %1   Replies %2   Time-outs %3   Superseded %4   Held back %5   CRC errors %6   Reconnects %7   Port losses %8   Loss %9</translation>
    </message>
</context>
<context>
    <name>zephyra::TrendChart</name>
    <message>
        <source>AC 입력전압</source>
        <translation>AC input voltage</translation>
    </message>
    <message>
        <source>DC 출력전압</source>
        <translation>DC output voltage</translation>
    </message>
    <message>
        <source>DC 부하전류</source>
        <translation>DC load current</translation>
    </message>
    <message>
        <source>축전지 전류</source>
        <translation>Battery current</translation>
    </message>
    <message>
        <source>랙 온도</source>
        <translation>Rack temperature</translation>
    </message>
    <message>
        <source>미사용</source>
        <translation>Not used</translation>
    </message>
    <message>
        <source> 발생</source>
        <translation> raised</translation>
    </message>
    <message>
        <source> 해제</source>
        <translation> cleared</translation>
    </message>
    <message>
        <source>아직 샘플이 없습니다</source>
        <translation>No samples yet</translation>
    </message>
</context>
</TS>
