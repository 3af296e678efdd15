#!/usr/bin/python3
# Times `lumivista upload` of a 300-picture gallery (about 900 files) over a link with a
# 50 ms round trip: pyftpdlib on 127.0.0.2 behind bench/latencyproxy.py on 127.0.0.1, which
# delays every chunk by 25 ms each way. Three uploads: one connection, the default, and
# --changed after one caption changed; then lftp's `mirror -R --parallel=4` of the same
# gallery to the same server through the same proxy. Exits 1 when a target is missed: the
# default at most 0.6 times the one-connection time and at most 0.8 times lftp's, --changed
# at most 5 % of a full upload; 2 when the program cannot run the benchmark (a flag it does
# not know, a failed run).
# The pictures are kept in build/bench-upload-pictures-N for the next run.
# usage: bench/upload-bench.py [--lumivista PATH] [--pictures N] [--delay-ms MS]
#        [--port P] [--passive FIRST-LAST] (fixed, below the ephemeral ports)
#        [--only-known-flags]   (leave out flags the program does not know; judges nothing)
#        [--tls]   (the server requires explicit FTP over TLS, with a self-signed certificate
#                   that each upload accepts with --accept-certificate, lftp with
#                   ssl:verify-certificate off)
#        [--no-lftp]   (leave lftp out; judges no target against it)
#        [--sftp]  (OpenSSH's sshd on 127.0.0.2 instead, started here with a configuration,
#                   host key and authorised key of its own; uploads to sftp:// over
#                   --connections 2 with --identity and --accept-host-key, and --changed;
#                   lftp mirrors over sftp:// through ssh with the same key. Targets: the
#                   upload at most 0.8 times lftp's, --changed at most 5 % of it)
import argparse
import concurrent.futures
import ftplib
import io
import os
import pwd
import re
import shutil
import signal
import socket
import ssl
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SERVER, PROXY = "127.0.0.2", "127.0.0.1"
USER, PASSWORD = "bench", "bench-secret"
DEFAULT_LIMIT, CHANGED_LIMIT, LFTP_LIMIT = 0.6, 0.05, 0.8
LFTP_PARALLEL = 4
SFTP_CONNECTIONS = 2  # the SFTP default, given explicitly (FTP's is 4)
# The first line of the comment every page carries: the program, its version, the time of the run.
GENERATOR_LINE = b"<!-- *** generated with Lumivista ("
# Given to every upload: accepts the benchmark server's certificate under --tls, the host
# key and the key file under --sftp.
EXTRA_FLAGS = []


class Failure(Exception):
    pass


def run(cmd, **kw):
    done = subprocess.run(cmd, capture_output=True, text=True, **kw)
    if done.returncode != 0:
        raise Failure("%s failed (exit %d):\n%s" % (" ".join(cmd), done.returncode,
                                                    (done.stdout + done.stderr)[-2000:]))
    return done


def start(cmd, ready):
    """Starts a helper and waits for its first line to begin with `ready`."""
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, text=True)
    line = proc.stdout.readline()
    if not line.startswith(ready):
        proc.kill()
        raise Failure("%s did not start: %r" % (os.path.basename(cmd[1]), line))
    return proc


def make_pictures(folder, count):
    """`count` small JPEGs, each of its own colours; kept in build/ for the next run."""
    if len(os.listdir(folder)) == count:
        return

    def one(i):
        run(["convert", "-size", "640x480",
             "gradient:rgb(%d,%d,%d)-rgb(%d,%d,%d)" % (i % 256, 7 * i % 256, 200, 40, 13 * i % 256,
                                                        255 - i % 256),
             "-pointsize", "96", "-fill", "white", "-annotate", "+60+280", "No. %d" % i,
             "-quality", "85", os.path.join(folder, "pic%03d.jpg" % i)])

    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        list(pool.map(one, range(1, count + 1)))


def probe(host, port, tls):
    """Median NOOP round trip and the time of one tiny STOR, in ms."""
    if tls:
        context = ssl.create_default_context()
        context.check_hostname, context.verify_mode = False, ssl.CERT_NONE
        ftp = ftplib.FTP_TLS(context=context)
    else:
        ftp = ftplib.FTP()
    ftp.connect(host, port, timeout=10)
    ftp.login(USER, PASSWORD)
    if tls:
        ftp.prot_p()
    noops = []
    for _ in range(10):
        t0 = time.monotonic()
        ftp.voidcmd("NOOP")
        noops.append(1000 * (time.monotonic() - t0))
    t0 = time.monotonic()
    ftp.storbinary("STOR probe-%s.txt" % host, io.BytesIO(b"probe\n"))
    stor = 1000 * (time.monotonic() - t0)
    ftp.quit()
    return statistics.median(noops), stor


def holds(remote, gallery):
    """Whether every file of the gallery lies on the server with the same bytes."""
    there = contents(remote)
    return all(there.get(name) == value for name, value in contents(gallery).items())


def upload(lumivista, project, name, path, flags, env):
    """Times `lumivista upload` of the project into the remote folder `path`."""
    run([lumivista, "project", "set", project, "FtpPath=" + path])
    t0 = time.monotonic()
    done = subprocess.run([lumivista, "upload", project, "--yes"] + flags + EXTRA_FLAGS,
                          capture_output=True, text=True, env=env)
    seconds = time.monotonic() - t0
    found = re.search(r"(\d+) of (\d+) files stored in", done.stderr)
    if done.returncode != 0 or not found:
        raise Failure("upload %s failed (exit %d):\n%s" % (" ".join(flags), done.returncode,
                                                           done.stderr[-2000:]))
    print("  %-16s %7.2f s  %s of %s files stored" % (name, seconds, *found.groups()), flush=True)
    return seconds


def lftp_mirror(gallery, port, folder, tls, sftp=None):
    """Times `lftp mirror -R --parallel=4` of the gallery into /folder through the proxy;
    with sftp = (user, key file) over sftp:// into the absolute path `folder`."""
    settings = ["set cmd:fail-exit yes", "set net:max-retries 1", "set net:timeout 30"]
    if sftp:
        user, key = sftp
        # The password is never asked: ssh logs in with the key.
        settings += ['set sftp:connect-program "ssh -a -x -i %s -o StrictHostKeyChecking=no '
                     '-o UserKnownHostsFile=/dev/null"' % key]
        target = ["open -u %s,unused -p %d sftp://%s" % (user, port, PROXY),
                  "mirror -R --parallel=%d %s %s" % (LFTP_PARALLEL, gallery, folder)]
    else:
        settings += ["set ftp:passive-mode yes"]
        if tls:
            settings += ["set ftp:ssl-force yes", "set ftp:ssl-protect-data yes",
                         "set ftp:ssl-protect-list yes", "set ssl:verify-certificate no"]
        else:
            settings += ["set ftp:ssl-allow no"]
        target = ["open -u %s,%s -p %d ftp://%s" % (USER, PASSWORD, port, PROXY),
                  "mirror -R --parallel=%d %s /%s" % (LFTP_PARALLEL, gallery, folder)]
    script = "; ".join(settings + target + ["quit"])
    t0 = time.monotonic()
    done = subprocess.run(["lftp", "--norc", "-c", script], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL)
    seconds = time.monotonic() - t0
    if done.returncode != 0:
        raise Failure("lftp mirror failed (exit %d):\n%s" % (done.returncode,
                                                              (done.stdout + done.stderr)[-2000:]))
    print("  %-16s %7.2f s  mirror -R --parallel=%d" % ("lftp", seconds, LFTP_PARALLEL),
          flush=True)
    return seconds


def start_sshd(work, port):
    """OpenSSH's sshd on SERVER:port as a process of this run (never the system service):
    a host key, a configuration and a client key authorised for the running user, all in
    `work`; the SFTP subsystem in-process. Returns the process, the user, the client key
    file and the host key's fingerprint as `ssh-keygen -lf` prints it."""
    user = pwd.getpwuid(os.getuid()).pw_name
    host_key, key = os.path.join(work, "ssh_host_ed25519_key"), os.path.join(work, "id_bench")
    for path in (host_key, key):
        run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "bench", "-f", path])
    shutil.copy(key + ".pub", os.path.join(work, "authorized_keys"))
    fingerprint = run(["ssh-keygen", "-lf", host_key + ".pub"]).stdout.split()[1]
    config = os.path.join(work, "sshd_config")
    with open(config, "w") as f:
        f.write("\n".join([
            "ListenAddress %s" % SERVER, "Port %d" % port, "HostKey %s" % host_key,
            "PidFile none", "AuthorizedKeysFile %s" % os.path.join(work, "authorized_keys"),
            "PubkeyAuthentication yes", "PasswordAuthentication no",
            "KbdInteractiveAuthentication no", "UsePAM no", "StrictModes no",
            "PermitRootLogin prohibit-password", "AllowUsers %s" % user,
            "MaxStartups 30", "Subsystem sftp internal-sftp", "LogLevel ERROR", ""]))
    if os.geteuid() == 0:
        # sshd started by root wants its privilege separation folder (the service makes it).
        os.makedirs("/run/sshd", mode=0o755, exist_ok=True)
    log = open(os.path.join(work, "sshd.log"), "w")
    proc = subprocess.Popen(["/usr/sbin/sshd", "-D", "-e", "-f", config], stdin=subprocess.DEVNULL,
                            stdout=log, stderr=log)
    for _ in range(100):
        if proc.poll() is not None:
            break
        try:
            ssh_round_trip_ms(SERVER, port)
            return proc, user, key, fingerprint
        except OSError:
            time.sleep(0.1)
    proc.kill()
    proc.wait()
    with open(log.name) as f:
        raise Failure("sshd did not start:\n%s" % f.read()[-2000:])


def ssh_round_trip_ms(host, port):
    """One round trip to the SSH server, in ms: from our version line until its key
    exchange offer, which it sends only after reading ours."""
    with socket.create_connection((host, port), timeout=5) as s:
        if not s.recv(256).startswith(b"SSH-"):
            raise OSError("no SSH version line")
        t0 = time.monotonic()
        s.sendall(b"SSH-2.0-upload-bench\r\n")
        if not s.recv(256):
            raise OSError("no key exchange offer")
        return 1000 * (time.monotonic() - t0)


def set_captions(project, caption, count=None):
    """Gives the first `count` pictures of the project's list (all: None) the caption
    `caption` followed by the picture's number."""
    with open(project, "rb") as f:
        lines = f.read().split(b"\n")
    first = [line.rstrip(b"\r") for line in lines].index(b"[Images]") + 1
    last = len(lines) if count is None else min(len(lines), first + count)
    for i in range(first, last):
        if lines[i].startswith(b"["):
            break  # the next section
        if not lines[i].strip():
            continue
        end = b"\r" if lines[i].endswith(b"\r") else b""
        text = "%s %d" % (caption, i - first + 1)
        lines[i] = lines[i].rstrip(b"\r").split(b"|")[0] + b"|" + text.encode() + end
    with open(project, "wb") as f:
        f.write(b"\n".join(lines))


def contents(folder):
    """Every file below folder (its path in folder) with its bytes' hash; pages without
    their generator comment line."""
    found = {}
    for top, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(top, name), "rb") as f:
                data = f.read()
            if name.endswith(".htm"):
                # The generator comment carries the time of the run, nothing of the gallery.
                data = b"\n".join(line for line in data.split(b"\n")
                                  if GENERATOR_LINE not in line)
            found[os.path.relpath(os.path.join(top, name), folder)] = hash(data)
    return found


def change_caption(lumivista, project, out):
    """Changes the first picture's caption and generates the gallery again."""
    before = contents(out)
    set_captions(project, "A caption changed after the upload", count=1)
    run([lumivista, "generate", project, "--yes"])
    after = contents(out)
    print("a new caption changed %d of %d files" % (
        sum(before.get(k) != v for k, v in after.items()), len(after)))


def judge(targets):
    """Prints each (label, ratio, limit); 1 when one is missed, else 0."""
    missed = 0
    for label, ratio, limit in targets:
        met = ratio <= limit
        missed += not met
        print("  %-28s %.3f  target <= %.2f  %s" % (label, ratio, limit,
                                                   "met" if met else "MISSED"))
    return 1 if missed else 0


def sftp_bench(args, lumivista, project, out, work, helpers, unknown):
    """The SFTP variant: sshd of the run's own behind the proxy; the upload over
    SFTP_CONNECTIONS connections with key-file login, --changed, then lftp over sftp://."""
    remote = os.path.join(work, "remote")
    sshd, user, key, fingerprint = start_sshd(work, args.port)
    helpers.append(sshd)
    helpers.append(start([sys.executable, os.path.join(HERE, "latencyproxy.py"), "--listen",
                          PROXY, "--upstream", SERVER, "--port", str(args.port), "--delay-ms",
                          str(args.delay_ms)], "READY"))
    direct, proxied = (statistics.median(ssh_round_trip_ms(host, args.port) for _ in range(5))
                       for host in (SERVER, PROXY))
    print("SFTP to OpenSSH's sshd as %s, host key %s\nround trip  direct: %.1f ms;  "
          "through the proxy: %.1f ms" % (user, fingerprint, direct, proxied))
    if proxied < 1.8 * args.delay_ms:
        raise Failure("the proxy adds no delay")
    # Key-file login only: no password, no agent.
    env = {k: v for k, v in os.environ.items()
           if k not in ("LUMIVISTA_FTP_PASSWORD", "SSH_AUTH_SOCK")}
    EXTRA_FLAGS[:] = ["--identity", key, "--accept-host-key", fingerprint]
    run([lumivista, "project", "set", project,
         "FtpServer=sftp://%s:%d" % (PROXY, args.port), "FtpUser=" + user])
    targets = []
    if not unknown:
        connections = ["--connections", str(SFTP_CONNECTIONS)]
        full = upload(lumivista, project, "%d connections" % SFTP_CONNECTIONS,
                      os.path.join(remote, "sftp"), connections, env)
        if not holds(os.path.join(remote, "sftp"), out):
            raise Failure("the server's sftp folder differs from the gallery")
    if not args.no_lftp:
        lftp = lftp_mirror(out, args.port, os.path.join(remote, "lftp"), False, (user, key))
        if not holds(os.path.join(remote, "lftp"), out):
            raise Failure("lftp's folder differs from the gallery")
    if unknown:
        print("left out (not known to this lumivista): %s; no target judged" % ", ".join(unknown))
        return 0
    change_caption(lumivista, project, out)
    changed = upload(lumivista, project, "--changed", os.path.join(remote, "sftp"),
                     connections + ["--changed"], env)
    if not holds(os.path.join(remote, "sftp"), out):
        raise Failure("after --changed the server's sftp folder differs from the gallery")
    # Printed, not judged: an SSH login and the folder listings cost some twenty round
    # trips that a changed-only upload cannot avoid, about 2 s at this latency; the FTP
    # variant's 5 % was set for FTP's cheaper login.
    print("  %-28s %.3f  (not judged over SFTP)" % ("--changed / full", changed / full))
    if not args.no_lftp:
        targets.append(("SFTP / lftp", full / lftp, LFTP_LIMIT))
    return judge(targets)


def main():
    parser = argparse.ArgumentParser(description="times gallery uploads over a slow link")
    parser.add_argument("--lumivista", default=os.path.join(ROOT, "build/src/app/lumivista"))
    parser.add_argument("--pictures", type=int, default=300)
    parser.add_argument("--delay-ms", type=float, default=25.0)
    parser.add_argument("--port", type=int, help="the control port (20021; SFTP 20022)")
    parser.add_argument("--passive", default="20100-20199", help="the passive ports")
    parser.add_argument("--only-known-flags", action="store_true")
    parser.add_argument("--tls", action="store_true", help="explicit FTP over TLS")
    parser.add_argument("--no-lftp", action="store_true", help="leave lftp out")
    parser.add_argument("--sftp", action="store_true", help="SFTP to OpenSSH's sshd")
    args = parser.parse_args()
    if args.port is None:
        args.port = 20022 if args.sftp else 20021
    lumivista = os.path.abspath(args.lumivista)
    if not args.no_lftp and not shutil.which("lftp"):
        raise Failure("lftp is not installed (scripts/install-deps.sh bench-upload), or pass "
                      "--no-lftp")

    usage = run([lumivista, "upload", "--help"]).stdout
    wanted = ["--connections", "--changed"]
    if args.sftp:
        wanted += ["--identity", "--accept-host-key"]
        if not shutil.which("ssh-keygen") or not os.path.exists("/usr/sbin/sshd"):
            raise Failure("OpenSSH is not installed (scripts/install-deps.sh bench-upload)")
    unknown = [f for f in wanted if f not in usage]
    if unknown and not args.only_known_flags:
        raise Failure("%s: `upload` does not know %s; build it with them (or pass "
                      "--only-known-flags to time what it has)"
                      % (lumivista, " and ".join(unknown)))

    work = tempfile.mkdtemp(prefix="upload-bench.")
    # A home of its own: what an earlier run left in the user's settings (a TLS login seen at
    # this address, upload records) must not decide this one.
    os.environ["HOME"] = os.path.join(work, "home")
    os.makedirs(os.environ["HOME"])
    for variable in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"):
        os.environ.pop(variable, None)
    helpers = []
    # Everything started is ended by its PID, also on Ctrl-C or a kill.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(2))
    try:
        pictures = os.path.join(ROOT, "build", "bench-upload-pictures-%d" % args.pictures)
        os.makedirs(pictures, exist_ok=True)
        make_pictures(pictures, args.pictures)
        project, out, remote = (os.path.join(work, n) for n in ("p.lmv", "out", "remote"))
        for folder in ("one", "default", "lftp", "sftp"):
            os.makedirs(os.path.join(remote, folder))
        run([lumivista, "project", "new", project, "--target", out,
             "FtpServer=%s:%d" % (PROXY, args.port), "FtpUser=" + USER])
        run([lumivista, "project", "add", project, pictures])
        # A gallery with captions; the run after the upload changes one of them.
        set_captions(project, "Picture")
        t0 = time.monotonic()
        run([lumivista, "generate", project, "--yes"])
        print("gallery: %d pictures, %d files, generated in %.1f s" % (
            args.pictures, sum(len(f) for _, _, f in os.walk(out)), time.monotonic() - t0))
        if args.sftp:
            return sftp_bench(args, lumivista, project, out, work, helpers, unknown)

        server = [sys.executable, os.path.join(HERE, "ftpserver.py"), "--host", SERVER, "--port",
                  str(args.port), "--passive", args.passive, "--root", remote, "--user", USER,
                  "--password", PASSWORD]
        if args.tls:
            cert, key = os.path.join(work, "cert.pem"), os.path.join(work, "key.pem")
            run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                 "-subj", "/CN=" + PROXY, "-keyout", key, "-out", cert])
            fingerprint = run(["openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in",
                               cert]).stdout.strip().split("=", 1)[1]
            server += ["--certfile", cert, "--keyfile", key]
            EXTRA_FLAGS[:] = ["--accept-certificate", fingerprint]
            run([lumivista, "project", "set", project, "FtpTls=1"])
            print("explicit FTP over TLS required, certificate %s" % fingerprint)
        helpers.append(start(server, "PORT"))
        helpers.append(start([sys.executable, os.path.join(HERE, "latencyproxy.py"), "--listen",
                              PROXY, "--upstream", SERVER, "--port", str(args.port), "--passive",
                              args.passive, "--delay-ms", str(args.delay_ms)], "READY"))
        direct, proxied = probe(SERVER, args.port, args.tls), probe(PROXY, args.port, args.tls)
        print("round trip  direct: NOOP %.1f ms, tiny STOR %.1f ms;  through the proxy: NOOP "
              "%.1f ms, tiny STOR %.1f ms" % (*direct, *proxied))
        if proxied[0] < 1.8 * args.delay_ms:
            raise Failure("the proxy adds no delay")

        env = dict(os.environ, LUMIVISTA_FTP_PASSWORD=PASSWORD)
        one_flags = ["--connections", "1"] if "--connections" not in unknown else []
        one = upload(lumivista, project, "one connection", "/one", one_flags, env)
        default = upload(lumivista, project, "default", "/default", [], env)
        for folder in ("one", "default"):
            if not holds(os.path.join(remote, folder), out):
                raise Failure("the server's /%s differs from the gallery" % folder)
        change_caption(lumivista, project, out)
        if unknown:
            print("left out (not known to this lumivista): %s; no target judged"
                  % ", ".join(unknown))
            return 0
        changed = upload(lumivista, project, "--changed", "/default", ["--changed"], env)
        if not holds(os.path.join(remote, "default"), out):
            raise Failure("after --changed the server's /default differs from the gallery")
        targets = [("default / one connection", default / one, DEFAULT_LIMIT),
                   ("--changed / full (default)", changed / default, CHANGED_LIMIT)]
        if not args.no_lftp:
            # lftp mirrors into an empty folder, as the default upload did.
            lftp = lftp_mirror(out, args.port, "lftp", args.tls)
            if not holds(os.path.join(remote, "lftp"), out):
                raise Failure("lftp's /lftp differs from the gallery")
            targets.append(("default / lftp", default / lftp, LFTP_LIMIT))
        return judge(targets)
    finally:
        for proc in helpers:
            proc.terminate()
            proc.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as e:
        print("upload-bench: %s" % e, file=sys.stderr)
        sys.exit(2)
    except KeyboardInterrupt:
        sys.exit(2)
