"""nginx in front of yanqing-server renderers, as server/deploy/ sets it up,
for the tests and benchmarks: the site template filled in, an nginx main
configuration that keeps everything (pid, logs, temporary files) in one
folder so that nginx runs as an ordinary process, and the renderer's command
line taken from its systemd unit.

As a program: nginx_site.py PREFIX CATALOGUE LISTEN RENDERER... [--workers N]
writes PREFIX/nginx.conf and prints the nginx command line that runs it.
"""
import os
import shlex
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
DEPLOY = os.path.join(ROOT, "server", "deploy")

# Every answer's type, length, encoding and framing, and the renderer that
# answered, so that a test can check what the program was sent.
LOG_FORMAT = ('\'$remote_addr "$request" $status $body_bytes_sent range="$http_range" '
              'upstream="$upstream_addr" type="$sent_http_content_type" '
              'length=$sent_http_content_length encoding=$sent_http_content_encoding '
              'transfer=$sent_http_transfer_encoding agent="$http_user_agent"\'')


def fill_site(template, listen, catalogue, renderers):
    """The site template with its placeholders filled in: one upstream
    "server" line per renderer address."""
    lines = []
    for line in template.splitlines(keepends=True):
        if line.lstrip().startswith("#"):
            lines.append(line)
            continue
        line = line.replace("@LISTEN@", listen).replace("@CATALOGUE@", catalogue)
        lines += [line.replace("@RENDERER@", r) for r in renderers] if "@RENDERER@" in line \
            else [line]
    return "".join(lines)


def main_conf(prefix, site, workers=1, access_log=True):
    """An nginx.conf that keeps its pid, logs and temporary files in `prefix`
    and includes `site` in its http block. The http block is what a
    careless main configuration could hold, gzip on for every type and
    every proxied answer: the site must keep the program's answers as they
    are whatever it says."""
    temp = "".join("    %s_temp_path %s;\n" % (kind, os.path.join(prefix, "temp-" + kind))
                   for kind in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
    log = ("    log_format yanqing %s;\n    access_log %s yanqing;\n"
           % (LOG_FORMAT, os.path.join(prefix, "access.log"))) if access_log else \
        "    access_log off;\n"
    # As root, nginx would run its workers as nobody, who cannot read the
    # test's own folders.
    user = "user root;\n" if os.geteuid() == 0 else ""
    return (user +
            "worker_processes %d;\n" % workers +
            "pid %s;\n" % os.path.join(prefix, "nginx.pid") +
            "error_log %s;\n" % os.path.join(prefix, "error.log") +
            "events {\n    worker_connections 1024;\n}\n"
            "http {\n"
            "    include /etc/nginx/mime.types;\n"
            "    default_type application/octet-stream;\n"
            "    sendfile on;\n"
            "    tcp_nopush on;\n"
            "    keepalive_timeout 65;\n"
            "    gzip on;\n"
            "    gzip_types *;\n"
            "    gzip_proxied any;\n"
            "    gzip_min_length 1;\n"
            + temp + log +
            "    include %s;\n" % os.path.join(prefix, site) +
            "}\n")


def write_conf(prefix, catalogue, listen, renderers, workers=1, access_log=True):
    """Writes the filled-in site and the main configuration into `prefix`;
    returns the nginx command line that runs it in the foreground."""
    os.makedirs(prefix, exist_ok=True)
    with open(os.path.join(DEPLOY, "yanqing-nginx.conf")) as f:
        site = fill_site(f.read(), listen, catalogue, renderers)
    with open(os.path.join(prefix, "yanqing.conf"), "w") as f:
        f.write(site)
    conf = os.path.join(prefix, "nginx.conf")
    with open(conf, "w") as f:
        f.write(main_conf(prefix, "yanqing.conf", workers, access_log))
    return ["nginx", "-p", prefix, "-c", conf, "-e", os.path.join(prefix, "error.log"),
            "-g", "daemon off;"]


def renderer_command(server, catalogue, port):
    """The ExecStart line of the renderer unit for instance `port`, with the
    built `server` in place of the installed one."""
    with open(os.path.join(DEPLOY, "yanqing-renderer@.service")) as f:
        line = next(l for l in f if l.startswith("ExecStart="))
    argv = shlex.split(line[len("ExecStart="):])
    expand = {"${YQ_CATALOGUE}": catalogue, "%i": str(port)}
    return [server] + [expand.get(a, a) for a in argv[1:]]


if __name__ == "__main__":
    args = sys.argv[1:]
    workers = 1
    if "--workers" in args:
        i = args.index("--workers")
        workers = int(args[i + 1])
        del args[i:i + 2]
    if len(args) < 4:
        sys.exit("usage: nginx_site.py PREFIX CATALOGUE LISTEN RENDERER... [--workers N]")
    print(shlex.join(write_conf(args[0], args[1], args[2], args[3:], workers,
                                access_log=False)))
