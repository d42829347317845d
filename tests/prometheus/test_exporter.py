"""kestrova-exporter against simulated printers and Debian's real Prometheus server.

Three printers (two as the profile, one drifted) are scraped through /probe with the
multi-target relabelling; after two scrapes of each, Prometheus's HTTP API must give each
target's kestrova_printer_up and kestrova_printer_profile_match. Before that: promtool is silent
on a /probe answer, every refused request gets its one answer, a printer slower than the scrape
is answered by the scrape's deadline, and a client that sends one byte a second is dropped by the
request time limit. Usage: test_exporter.py BIN_DIR
"""
import json, os, shutil, socket, subprocess, sys, tempfile, time, urllib.error, urllib.parse, urllib.request

BIN = sys.argv[1]
if not shutil.which("prometheus") or not shutil.which("promtool"):
    print("prometheus is not installed (scripts/install-deps installs it)")
    sys.exit(77)
failures = []


def check(what, got, want):
    if got != want:
        failures.append(f"{what}: got {got!r}, want {want!r}")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def started(args, marker, lines=1):
    """Starts a program and waits (5 s at most) for `lines` stdout lines starting with marker."""
    p = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    found = []
    deadline = time.monotonic() + 5
    while len(found) < lines and time.monotonic() < deadline:
        line = p.stdout.readline()
        if not line:
            break
        if line.startswith(marker):
            found.append(line.split()[-1])
    if len(found) < lines:
        p.kill()
        sys.exit(f"{args[0]} did not start")
    return p, found


def get(url, headers=None):
    try:
        with urllib.request.urlopen(urllib.request.Request(url, headers=headers or {}), timeout=10) as r:
            return r.status, r.read().decode()
    except urllib.error.HTTPError as e:
        return e.code, e.read().decode()


procs = []
work = tempfile.mkdtemp()
try:
    golden, golden_at = started([f"{BIN}/kestrova-printer-sim", "--count", "2", "--switches", "10,20,30,40,50",
                                 "--tcp", "127.0.0.1:0"], "listening tcp", 2)
    drifted, drifted_at = started([f"{BIN}/kestrova-printer-sim", "--switches", "10,20,158,40,50",
                                   "--tcp", "127.0.0.1:0"], "listening tcp")
    procs += [golden, drifted]
    printers = golden_at + drifted_at
    os.mkdir(f"{work}/profiles")
    with open(f"{work}/profiles/golden.json", "w") as f:
        f.write(subprocess.run([f"{BIN}/kestrova-swctl", "read", "--tcp", printers[0], "--json", "--fast"],
                               capture_output=True, text=True, timeout=60).stdout)
    exporter, (listen,) = started([f"{BIN}/kestrova-exporter", "--listen", "127.0.0.1:0", "--profiles",
                                   f"{work}/profiles"], "listening")
    procs.append(exporter)
    base = f"http://{listen}"

    status, text = get(f"{base}/probe?target={printers[2]}&profile=golden", {"X-Prometheus-Scrape-Timeout-Seconds": "5"})
    check("probe status", status, 200)
    lint = subprocess.run(["promtool", "check", "metrics"], input=text, capture_output=True, text=True)
    check("promtool on /probe", (lint.returncode, lint.stdout + lint.stderr), (0, ""))
    for line in ["kestrova_probe_success 1", f'kestrova_printer_profile_match{{link="{printers[2]}",model="RT5600",serial="KS00000001"}} 0']:
        check(f"probe line {line}", line in text.splitlines(), True)
    refused = f"127.0.0.1:{free_port()}"
    _, text = get(f"{base}/probe?target={refused}")
    check("refused probe", [l for l in text.splitlines() if l.startswith(("kestrova_probe_success", "kestrova_printer_up"))],
          ['kestrova_printer_up{link="%s"} 0' % refused, 'kestrova_probe_success{reason="refused"} 0'])

    # Each refused request: (path, status, answer).
    for path, want_status, want in [
        ("/probe", 400, "missing target: /probe?target=HOST[:PORT]\n"),
        ("/probe?target=", 400, "missing target: /probe?target=HOST[:PORT]\n"),
        ("/probe?target=127.0.0.1:99999", 400, "target 127.0.0.1:99999: --tcp 127.0.0.1:99999: the port must be a number from 1 to 65535\n"),
        ("/probe?target=%5B%3A%3A1%5D", 400, "target [::1]: --tcp [::1]: an IPv6 address; only IPv4 addresses and host names are supported\n"),
        ("/probe?target=%zz", 400, "malformed query: a broken %-escape\n"),
        (f"/probe?target={printers[0]}&target={printers[1]}", 400, "parameter target given more than once\n"),
        (f"/probe?target={printers[0]}&profile=missing", 400, "unknown profile missing\n"),
        (f"/probe?target={printers[0]}&profile=..%2Fprofiles%2Fgolden", 400, "unknown profile ../profiles/golden\n"),
        ("/-/healthy", 200, "Healthy.\n"),
        ("/nothing", 404, "not found; the paths are /probe, /metrics and /-/healthy\n"),
    ]:
        check(f"GET {path}", get(base + path), (want_status, want))
    _, own = get(f"{base}/metrics")
    for line in ["kestrova_exporter_probes_total 2", 'kestrova_exporter_probe_failures_total{reason="refused"} 1',
                 "kestrova_exporter_probes_in_flight 0"]:
        check(f"/metrics line {line}", line in own.splitlines(), True)

    # A printer slower than the scrape: answered by the scrape's deadline (its timeout less 0.5 s).
    late, (late_at,) = started([f"{BIN}/kestrova-printer-sim", "--delay-ms", "5000", "--tcp", "127.0.0.1:0"], "listening tcp")
    procs.append(late)
    start = time.monotonic()
    _, text = get(f"{base}/probe?target={late_at}", {"X-Prometheus-Scrape-Timeout-Seconds": "1.5"})
    check("late probe answered by its deadline", 0.9 < time.monotonic() - start < 1.4, True)
    check("late probe", [l for l in text.splitlines() if l.startswith("kestrova_probe_success")],
          ['kestrova_probe_success{reason="timeout"} 0'])

    # One byte a second: dropped when the 10 s request time limit ends, not held.
    host, port = listen.split(":")
    slow = socket.create_connection((host, int(port)))
    start = time.monotonic()
    closed = False
    for byte in b"GET /-/healthy HTTP/1.1\r\nHost: x\r\n" * 2:
        try:
            slow.sendall(bytes([byte]))
            slow.settimeout(1)
            if slow.recv(1) == b"":
                closed = True
                break
        except socket.timeout:
            continue
        except OSError:
            closed = True
            break
        if time.monotonic() - start > 15:
            break
    check("slow client dropped within 10-12 s", closed and 9.5 < time.monotonic() - start < 12, True)
    slow.close()

    # Prometheus: three targets relabelled onto /probe, scraped every second.
    web = f"127.0.0.1:{free_port()}"
    with open(f"{work}/prometheus.yml", "w") as f:
        json.dump({"global": {"scrape_interval": "1s", "scrape_timeout": "1s"},
                   "scrape_configs": [{"job_name": "kestrova_printers", "metrics_path": "/probe",
                                       "params": {"profile": ["golden"]},
                                       "static_configs": [{"targets": printers}],
                                       "relabel_configs": [
                                           {"source_labels": ["__address__"], "target_label": "__param_target"},
                                           {"source_labels": ["__param_target"], "target_label": "instance"},
                                           {"target_label": "__address__", "replacement": listen}]}]}, f)
    procs.append(subprocess.Popen(["prometheus", f"--config.file={work}/prometheus.yml", f"--storage.tsdb.path={work}/data",
                                   f"--web.listen-address={web}"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

    def query(q):
        status, text = get(f"http://{web}/api/v1/query?" + urllib.parse.urlencode({"query": q}))
        if status != 200:
            return {}
        return {r["metric"].get("instance"): r["value"][1] for r in json.loads(text)["data"]["result"]}

    deadline = time.monotonic() + 60
    scraped = {}
    while time.monotonic() < deadline:
        try:
            scraped = query("count_over_time(kestrova_printer_up[1m])")
        except OSError:
            pass
        if len(scraped) == 3 and all(int(v) >= 2 for v in scraped.values()):
            break
        time.sleep(0.2)
    check("two scrapes of each target", sorted(scraped), sorted(printers))
    check("kestrova_printer_up", query("kestrova_printer_up"), {p: "1" for p in printers})
    check("kestrova_printer_profile_match", query("kestrova_printer_profile_match"),
          {printers[0]: "1", printers[1]: "1", printers[2]: "0"})
finally:
    for p in procs:
        p.terminate()
    for p in procs:
        try:
            p.wait(5)
        except subprocess.TimeoutExpired:
            p.kill()
    shutil.rmtree(work, ignore_errors=True)

for f in failures:
    print("FAIL:", f)
print(f"{0 if failures else 1} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
