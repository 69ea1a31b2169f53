#!/usr/bin/env python3
"""Writes the help page "What Windows does with each value" (html/windows.htm)
in English and Korean from one table: which Windows version reads each value,
and the Microsoft documents that say so. Only the words differ per language."""
import os

R, N, U, W = "r", "n", "u", "w"  # read, not read, unknown, read by WinINet programs

# Value, one status per version (2000, XP, 2003, Vista, 2008, 7, 8, 2012), sources.
ROWS = [
    ("MaxConnectionsPerServer", [W] * 8, [1, 2, 3]),
    ("MaxConnectionsPer1_0Server", [W] * 8, [1, 2, 4]),
    ("KeepAliveTime", [R] * 8, [5, 6, 7]),
    ("KeepAliveInterval", [R] * 8, [8, 9, 7]),
    ("DefaultTTL", [U] * 8, []),
    ("EnablePMTUBHDetect", [R, U, U, U, U, U, U, U], [10]),
    ("EnablePMTUDiscovery", [R, U, U, U, U, U, U, U], [11]),
    ("SackOpts", [R, U, R, U, U, U, U, U], [12, 13, 14]),
    ("Tcp1323Opts", [R, U, R, U, U, U, U, U], [15, 16, 14]),
    ("GlobalMaxTcpWindowSize", [R, U, R, U, U, U, U, U], [17, 18, 19]),
    ("TcpWindowSize", [R, U, R, N, N, N, N, N], [20, 18, 19]),
    ("TcpMaxDupAcks", [R, U, R, U, U, U, U, U], [21, 14]),
    ("NonBestEffortLimit", [U] * 8, [22, 23]),
    ("MaxOutstandingSends", [U] * 8, [22]),
]

SOURCES = [
    "https://support.microsoft.com/help/183110 (KB 183110, WinInet limits connections per server)",
    "https://msdn.microsoft.com/library/cc304129(VS.85).aspx (Connectivity Enhancements in Internet Explorer 8)",
    "https://learn.microsoft.com/previous-versions/windows/internet-explorer/ie-developer/platform-apis/cc288126(v=vs.85) (maxConnectionsPerServer property)",
    "https://learn.microsoft.com/previous-versions/cc197012(v=vs.85) (maxConnectionsPer1_0Server property)",
    "https://learn.microsoft.com/previous-versions/windows/it-pro/windows-2000-server/cc957549(v=technet.10) (KeepAliveTime, Windows 2000)",
    "https://learn.microsoft.com/previous-versions/windows/it-pro/windows-server-2003/cc782936(v=ws.10) (KeepAliveTime, Windows Server 2003)",
    "https://learn.microsoft.com/windows/win32/winsock/sio-keepalive-vals (SIO_KEEPALIVE_VALS)",
    "https://learn.microsoft.com/previous-versions/windows/it-pro/windows-2000-server/cc957548(v=technet.10) (KeepAliveInterval, Windows 2000)",
    "https://learn.microsoft.com/previous-versions/windows/it-pro/windows-server-2003/cc758083(v=ws.10) (KeepAliveInterval, Windows Server 2003)",
    "http://technet.microsoft.com/library/cc960465 (EnablePMTUBHDetect, Windows 2000)",
    "http://technet.microsoft.com/library/cc957539.aspx (EnablePMTUDiscovery, Windows 2000)",
    "http://technet.microsoft.com/library/cc938200.aspx (SackOpts, Windows 2000)",
    "http://technet.microsoft.com/library/cc775859(v=ws.10).aspx (SackOpts, Windows Server 2003)",
    "https://support.microsoft.com/kb/224829 (Description of Windows 2000 and Windows Server 2003 TCP Features)",
    "https://learn.microsoft.com/previous-versions/windows/it-pro/windows-2000-server/cc938205(v=technet.10) (Tcp1323Opts, Windows 2000)",
    "http://technet.microsoft.com/library/cc757402(v=ws.10).aspx (Tcp1323Opts, Windows Server 2003)",
    "https://learn.microsoft.com/previous-versions/windows/it-pro/windows-2000-server/cc957546(v=technet.10) (GlobalMaxTcpWindowSize, Windows 2000)",
    "https://learn.microsoft.com/previous-versions/windows/it-pro/windows-server-2003/cc757802(v=ws.10) (TcpWindowSize, Windows Server 2003)",
    "https://learn.microsoft.com/windows-server/networking/technologies/network-subsystem/net-sub-performance-tuning-nics (Performance tuning network adapters: receive window autotuning; deprecated TCP parameters)",
    "https://learn.microsoft.com/previous-versions/windows/it-pro/windows-2000-server/cc938219(v=technet.10) (TcpWindowSize, Windows 2000)",
    "https://learn.microsoft.com/previous-versions/windows/it-pro/windows-server-2003/cc783652(v=ws.10) (TcpMaxDupAcks, Windows Server 2003)",
    "https://learn.microsoft.com/windows/client-management/mdm/policy-csp-admx-qos (Policy CSP ADMX_QOS: Limit reservable bandwidth, Limit outstanding packets)",
    "https://learn.microsoft.com/previous-versions/windows/desktop/qos/qos-history (QOS History)",
]

VERSIONS = ["Windows 2000", "Windows XP", "Server 2003", "Windows Vista", "Server 2008", "Windows 7", "Windows 8", "Server 2012"]

TEXT = {
    "english": dict(
        lang="",
        title="What Windows does with each value",
        intro="<p>For each value Zephrin writes: what it means, and whether each version of Windows in the <b>Operating System</b> list reads it. Every statement comes from Microsoft's own documentation, listed at the end; where no Microsoft document says, the table says <b>unknown</b>. Unknown does not mean \"not read\".</p>",
        cells={R: "read", N: "not read", U: "unknown", W: "WinINet"},
        value="Value", sources="Sources",
        legend="<p><b>WinINet</b>: read by programs that use the Windows Internet functions (WinINet), such as Internet Explorer, on every version; other browsers and programs do not read it. Microsoft documents these two values for WinINet, not for each version of Windows.</p>",
        meanings={
            "MaxConnectionsPerServer": "How many connections a WinINet program opens at once to one HTTP/1.1 web server, for the current user. The default was 2; since Internet Explorer 8 it is 6 on broadband. Zephrin's Boost (4) is therefore lower than that default, and Maximum Boost (8) only a little higher.",
            "MaxConnectionsPer1_0Server": "The same limit for HTTP/1.0 servers. The default was 4; since Internet Explorer 8 it is 6 on broadband.",
            "KeepAliveTime": "How long a connection must be idle before Windows checks, with a keep-alive probe, that the other side is still there; only for connections whose program switched keep-alive on. It decides when idle connections are probed, not speed. Zephrin writes the default, 2 hours.",
            "KeepAliveInterval": "How long Windows waits before repeating an unanswered keep-alive probe. It decides how soon a dead idle connection is given up, not speed. Zephrin writes the default, 1 second.",
            "DefaultTTL": "The starting hop limit of outgoing IP packets: how many routers a packet may pass.",
            "EnablePMTUBHDetect": "Whether TCP detects routers that silently drop packets too large for them (black holes) while it finds the path's packet size. Zephrin writes 0: off, the default.",
            "EnablePMTUDiscovery": "Whether TCP finds the largest packet size the whole path carries (1) or uses 576-byte packets outside the local network (0). Zephrin writes 1, the default.",
            "SackOpts": "Selective acknowledgement: the receiver reports exactly which pieces arrived, and only missing pieces are resent. Zephrin writes 1: on, the default.",
            "Tcp1323Opts": "Window scaling (receive windows beyond 64 KB) and timestamps (precise round-trip timing). Zephrin writes 3: both on.",
            "GlobalMaxTcpWindowSize": "The largest TCP receive window the system offers on any interface. From Windows Vista on, receive-window auto-tuning sizes the window; no Microsoft document found says whether this value still limits it.",
            "TcpWindowSize": "A fixed largest TCP receive window. Microsoft states that from Windows Vista on it is no longer supported and is ignored: receive-window auto-tuning replaces it.",
            "TcpMaxDupAcks": "How many duplicate acknowledgements make TCP resend a lost segment at once (fast retransmit). Zephrin writes 2, the default.",
            "NonBestEffortLimit": "The \"Limit reservable bandwidth\" policy: the share of a connection that programs may reserve through QoS. It changes nothing unless a program reserves bandwidth; even reserved bandwidth that goes unused stays available to all traffic, and Windows XP removed the reservation mechanisms programs used. Zephrin writes 50 %.",
            "MaxOutstandingSends": "The \"Limit outstanding packets\" policy: how many packets the packet scheduler may have handed to network adapters but not yet sent before it holds back further packets.",
        }),
    "korean": dict(
        lang=' lang="ko"',
        title="Windows가 각 값을 어떻게 사용하는지",
        intro="<p>Zephrin이 쓰는 각 값의 의미와, <b>운영 체제</b> 목록의 각 Windows 버전이 그 값을 읽는지 여부입니다. 모든 내용은 맨 아래에 적은 Microsoft의 문서를 근거로 하며, Microsoft 문서에 나와 있지 않은 곳은 <b>알 수 없음</b>으로 표시했습니다. 알 수 없음은 \"읽지 않음\"이라는 뜻이 아닙니다.</p>",
        cells={R: "읽음", N: "읽지 않음", U: "알 수 없음", W: "WinINet"},
        value="값", sources="출처",
        legend="<p><b>WinINet</b>: Internet Explorer처럼 Windows 인터넷 기능(WinINet)을 쓰는 프로그램이 모든 버전에서 읽으며, 다른 브라우저와 프로그램은 읽지 않습니다. Microsoft는 이 두 값을 Windows 버전별이 아니라 WinINet에 대해 설명합니다.</p>",
        meanings={
            "MaxConnectionsPerServer": "WinINet 프로그램이 HTTP/1.1 웹 서버 하나에 동시에 여는 연결 수로, 현재 사용자에게 적용됩니다. 기본값은 2였으며 Internet Explorer 8부터 광대역에서 6입니다. 따라서 Zephrin의 빠르게(4)는 이 기본값보다 낮고, 매우 빠르게(8)도 조금 높을 뿐입니다.",
            "MaxConnectionsPer1_0Server": "HTTP/1.0 서버에 대한 같은 제한입니다. 기본값은 4였으며 Internet Explorer 8부터 광대역에서 6입니다.",
            "KeepAliveTime": "연결이 얼마나 오래 유휴 상태여야 Windows가 연결 유지 검사로 상대방이 아직 있는지 확인하는지를 정합니다. 프로그램이 연결 유지를 켠 연결에만 해당합니다. 속도가 아니라 유휴 연결을 언제 검사할지를 정합니다. Zephrin은 기본값인 2시간을 씁니다.",
            "KeepAliveInterval": "응답 없는 연결 유지 검사를 다시 보내기까지 기다리는 시간입니다. 속도가 아니라 끊어진 유휴 연결을 얼마나 빨리 포기할지를 정합니다. Zephrin은 기본값인 1초를 씁니다.",
            "DefaultTTL": "나가는 IP 패킷의 처음 홉 제한, 즉 패킷이 거칠 수 있는 라우터 수입니다.",
            "EnablePMTUBHDetect": "경로의 패킷 크기를 찾는 동안, 너무 큰 패킷을 알리지 않고 버리는 라우터(블랙홀)를 TCP가 찾아낼지 정합니다. Zephrin은 기본값인 0(끄기)을 씁니다.",
            "EnablePMTUDiscovery": "TCP가 경로 전체가 나를 수 있는 가장 큰 패킷 크기를 찾을지(1), 로컬 네트워크 밖으로는 576바이트 패킷을 쓸지(0) 정합니다. Zephrin은 기본값인 1을 씁니다.",
            "SackOpts": "선택적 확인 응답: 받는 쪽이 어느 조각이 도착했는지 정확히 알려 주어 빠진 조각만 다시 보냅니다. Zephrin은 기본값인 1(켜기)을 씁니다.",
            "Tcp1323Opts": "창 배율 조정(64KB보다 큰 수신 창)과 타임스탬프(정확한 왕복 시간 측정)입니다. Zephrin은 3(둘 다 켜기)을 씁니다.",
            "GlobalMaxTcpWindowSize": "시스템이 모든 인터페이스에서 제공하는 가장 큰 TCP 수신 창입니다. Windows Vista부터는 수신 창 자동 조정이 창 크기를 정하며, 이 값이 여전히 그 크기를 제한하는지 말하는 Microsoft 문서는 찾지 못했습니다.",
            "TcpWindowSize": "고정된 최대 TCP 수신 창입니다. Microsoft는 Windows Vista부터 이 값을 더 이상 지원하지 않고 무시한다고 밝힙니다. 수신 창 자동 조정이 이를 대신합니다.",
            "TcpMaxDupAcks": "중복 확인 응답이 몇 개 오면 TCP가 잃어버린 조각을 곧바로 다시 보낼지(빠른 재전송) 정합니다. Zephrin은 기본값인 2를 씁니다.",
            "NonBestEffortLimit": "\"예약 가능한 대역폭 제한\" 정책: 프로그램이 QoS로 예약할 수 있는 연결 대역폭의 비율입니다. 프로그램이 대역폭을 예약하지 않으면 아무것도 바뀌지 않으며, 예약했더라도 쓰지 않는 대역폭은 모든 트래픽이 사용할 수 있습니다. 또한 Windows XP에서는 프로그램이 쓰던 예약 기능이 없어졌습니다. Zephrin은 50%를 씁니다.",
            "MaxOutstandingSends": "\"처리 중인 패킷 제한\" 정책: 패킷 스케줄러가 네트워크 어댑터에 넘겼지만 아직 보내지 않은 패킷이 몇 개가 되면 다음 패킷을 보류할지 정합니다.",
        }),
}


def page(t):
    h = ('<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN">\n'
         '<html%s><head><meta http-equiv="Content-Type" content="text/html; charset=utf-8">\n'
         '<title>%s</title><link rel="stylesheet" href="style.css"></head>\n'
         '<body><h1>%s</h1>\n%s\n<table>\n<tr><th>%s</th>%s</tr>\n'
         % (t["lang"], t["title"], t["title"], t["intro"], t["value"], "".join("<th>%s</th>" % v for v in VERSIONS)))
    for name, cells, src in ROWS:
        refs = " ".join('<a href="#s%d">[%d]</a>' % (i, i) for i in src)
        h += "<tr><td><code>%s</code>%s</td>%s</tr>\n" % (
            name, (" " + refs) if refs else "", "".join("<td>%s</td>" % t["cells"][c] for c in cells))
    h += "</table>\n" + t["legend"] + "\n"
    for name, _, _ in ROWS:
        h += '<h2 id="%s">%s</h2>\n<p>%s</p>\n' % (name, name, t["meanings"][name])
    h += "<h2>%s</h2>\n<ol>\n" % t["sources"]
    for i, s in enumerate(SOURCES, 1):
        url, _, label = s.partition(" ")
        h += '<li id="s%d"><a href="%s">%s</a> %s</li>\n' % (i, url, url, label)
    return h + "</ol>\n</body></html>\n"


def main():
    help_root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "help")
    for language, t in TEXT.items():
        with open(os.path.join(help_root, language, "html", "windows.htm"), "w", encoding="utf-8") as f:
            f.write(page(t))


if __name__ == "__main__":
    main()
