#!/usr/bin/env bash
# The Web Site Grabber mirroring a generated site (2,011 pages and 500 images
# in nested folders; links relative, root-relative and absolute, with "#" and
# queries; some iframes) to depth 5 with "Make Browsable", beside
# `wget -r -l 5 -k -p` and `wget2 -r -l 5 -k --max-threads=5`, in one run.
# Two settings: nginx on plain loopback, and a server of our own that waits
# 20 ms before each response (a distant site; no netem here).
#
# For each tool: the median wall time of REPEAT rounds, the files saved, and
# the links the tool rewrote in the saved pages with the share of them that
# open offline (a checker resolves every rewritten local link of every saved
# page against the saved files). The grabber runs twice: as a fresh window
# has it ("Multipart Downloading" on: the resource information is asked
# before each download) and with "Multipart Downloading" off.
#
#   bench/grabber.sh                  # builds grabber_run in build/
#   BUILD_DIR=build-x REPEAT=5 bench/grabber.sh
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=${BUILD_DIR:-$repo/build}
repeat=${REPEAT:-3}
delay_ms=${DELAY_MS:-20}

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target grabber_run grabber_window_tests >/dev/null
runner="$build/grabber_run"
for tool in wget wget2 python3; do
    command -v "$tool" >/dev/null || { echo "missing $tool (see tools/deps)"; exit 1; }
done
[ -x /usr/sbin/nginx ] || { echo "missing nginx (see tools/deps)"; exit 1; }

work=$(mktemp -d /tmp/corvanta-bench-grabber-XXXXXX)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The site, with @HOST@ where absolute links name the server.
python3 - "$work/template" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(7)
def write(path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "w") as f:
        f.write(text)
filler = "<p>" + "Lorem ipsum dolor sit amet, consectetur adipiscing elit. " * 12 + "</p>\n"
def page(title, body):
    return f"<!DOCTYPE html>\n<html><head><title>{title}</title></head><body>\n{body}{filler}</body></html>\n"
def img(n):
    return f"img/{n % 5}/pic{n % 100}.gif"
for n in range(500):
    full = os.path.join(root, f"img/{n // 100}/pic{n % 100}.gif")
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(b"GIF89a" + random.randbytes(random.randint(1000, 8000)))
for n in range(50):
    write(f"frames/f{n}.html", page(f"frame {n}", f'<a href="/index.html">home</a>\n'))
write("search.html", page("search", "results\n"))
body = "".join(
    (f'<a href="sec{i}/index.html">section {i}</a>\n' if i % 3 == 0 else
     f'<a href="/sec{i}/index.html">section {i}</a>\n' if i % 3 == 1 else
     f'<a href="http://@HOST@/sec{i}/">section {i}</a>\n') for i in range(10))
body += '<img src="img/0/pic0.gif"><iframe src="frames/f0.html"></iframe>\n<a href="#top">top</a>\n'
write("index.html", page("home", body))
n = 0
for i in range(10):
    body = "".join(f'<a href="sub{k}/index.html">part {k}</a>\n' for k in range(10))
    body += f'<a href="/">home</a> <img src="../{img(i)}">\n'
    write(f"sec{i}/index.html", page(f"section {i}", body))
    for k in range(10):
        body = "".join(f'<a href="page{j}.html">page {j}</a>\n' for j in range(19))
        body += f'<a href="../index.html">up</a> <img src="/{img(i * 10 + k)}">\n'
        write(f"sec{i}/sub{k}/index.html", page(f"part {i}.{k}", body))
        for j in range(19):
            n += 1
            links = [
                f'<a href="page{(j + 1) % 19}.html">next</a>',
                f'<a href="../sub{(k + 1) % 10}/index.html">next part</a>',
                f'<a href="/sec{(i + 1) % 10}/index.html">next section</a>',
                f'<a href="http://@HOST@/sec{(i + 3) % 10}/sub{k}/page{j}.html">far</a>',
                f'<a href="page{(j + 2) % 19}.html#part2">anchor</a>',
                f'<a href="/search.html?q={j}">search</a>',
                f'<img src="../../{img(n)}">',
                f'<img src="http://@HOST@/{img(n * 7)}">',
            ]
            if j % 10 == 0:
                links.append(f'<iframe src="/frames/f{n % 50}.html"></iframe>')
            write(f"sec{i}/sub{k}/page{j}.html", page(f"page {i}.{k}.{j}", "\n".join(links) + "\n"))
PY

# A server of our own: waits DELAY ms before each response, keeps connections.
cat >"$work/slow_server.py" <<'PY'
import functools, http.server, sys, time
delay = int(sys.argv[3]) / 1000.0
class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True  # headers and body written apart must not wait for an ACK
    def log_message(self, *args):
        pass
    def send_head(self):
        time.sleep(delay)
        return super().send_head()
server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[2])),
                                         functools.partial(Handler, directory=sys.argv[1]))
server.daemon_threads = True
server.serve_forever()
PY

# The checker: prints "pages rewritten resolving" for a mirror of the site.
cat >"$work/check.py" <<'PY'
import html.parser, os, sys, urllib.parse
mirror, site = sys.argv[1], sys.argv[2]
class Links(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links = []
    def handle_starttag(self, tag, attrs):
        wanted = {"a": "href", "img": "src", "iframe": "src", "frame": "src"}.get(tag)
        for name, value in attrs:
            if name == wanted and value:
                self.links.append(value)
def links_of(path):
    parser = Links()
    with open(path, encoding="utf-8", errors="replace") as f:
        parser.feed(f.read())
    return parser.links
pages = rewritten = resolving = 0
for folder, _, files in os.walk(mirror):
    for name in files:
        path = os.path.join(folder, name)
        relative = os.path.relpath(path, mirror)
        original = os.path.join(site, relative)
        if relative.endswith("index.htm"):
            original += "l"
        if not original.endswith(".html") or not os.path.isfile(original):
            continue
        pages += 1
        before, after = links_of(original), links_of(path)
        for old, new in zip(before, after):
            parts = urllib.parse.urlsplit(new)
            if new == old or parts.scheme or parts.netloc or new.startswith(("/", "#")):
                continue
            rewritten += 1
            target = os.path.normpath(os.path.join(folder, urllib.parse.unquote(parts.path)))
            if os.path.isfile(target):
                resolving += 1
print(pages, rewritten, resolving)
PY

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

start_nginx() {  # PORT
    mkdir -p "$work/nginx/temp"
    cat >"$work/nginx/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 2;
pid $work/nginx/nginx.pid; error_log $work/nginx/error.log warn;
events { worker_connections 1024; }
http {
  include /etc/nginx/mime.types; default_type application/octet-stream; access_log off;
  client_body_temp_path $work/nginx/temp/body; proxy_temp_path $work/nginx/temp/proxy;
  fastcgi_temp_path $work/nginx/temp/fastcgi; uwsgi_temp_path $work/nginx/temp/uwsgi;
  scgi_temp_path $work/nginx/temp/scgi;
  sendfile on; keepalive_requests 100000;
  server { listen 127.0.0.1:$1; root $work/www; }
}
CONF
    /usr/sbin/nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
    server_pid=$!
}

start_slow() {  # PORT
    python3 "$work/slow_server.py" "$work/www" "$1" "$delay_ms" &
    server_pid=$!
}

# run TOOL URL: one mirror into $work/out; prints "wall files pages rewritten resolving".
run() {
    local tool=$1 url=$2 start end
    rm -rf "$work/out" && mkdir -p "$work/out"
    start=$(date +%s.%N)
    case $tool in
        corvanta) QT_QPA_PLATFORM=offscreen "$runner" "$url" "$work/out" 5 >/dev/null 2>&1 ;;
        corvanta-1part) QT_QPA_PLATFORM=offscreen "$runner" "$url" "$work/out" 5 --no-multipart >/dev/null 2>&1 ;;
        wget) (cd "$work/out" && wget -q -r -l 5 -k -p "$url" >/dev/null 2>&1) || true ;;
        wget2) (cd "$work/out" && wget2 -q -r -l 5 -k --max-threads=5 "$url" >/dev/null 2>&1) || true ;;
    esac
    end=$(date +%s.%N)
    local root="$work/out" host files
    # wget and wget2 save below a folder named after the host.
    host=$(find "$work/out" -mindepth 1 -maxdepth 1 -type d -name '127.0.0.1*' | head -1)
    [ -n "$host" ] && root=$host
    files=$(find "$work/out" -type f | wc -l)
    echo "$(echo "$end - $start" | bc -l) $files $(python3 "$work/check.py" "$root" "$work/www")"
}

tools=(corvanta corvanta-1part wget wget2)
median() {  # LINES COLUMN
    printf '%s' "$1" | awk -v c="$2" 'NF { print $c }' | sort -g |
        awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

for setting in loopback latency; do
    port=$(free_port)
    rm -rf "$work/www" && cp -r "$work/template" "$work/www"
    grep -rl '@HOST@' "$work/www" | xargs sed -i "s/@HOST@/127.0.0.1:$port/g"
    if [ "$setting" = loopback ]; then start_nginx "$port"; else start_slow "$port"; fi
    for _ in $(seq 50); do
        curl -s -o /dev/null "http://127.0.0.1:$port/" && break
        sleep 0.1
    done
    url="http://127.0.0.1:$port/"
    declare -A lines=()
    for _ in $(seq "$repeat"); do
        for tool in "${tools[@]}"; do
            lines[$tool]+="$(run "$tool" "$url")"$'\n'
        done
    done
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=

    if [ "$setting" = loopback ]; then
        echo "Mirror to depth 5, nginx on plain loopback, median of $repeat rounds"
    else
        echo "Mirror to depth 5, our server waiting ${delay_ms} ms before each response, median of $repeat rounds"
    fi
    printf '%-15s %9s %7s %7s %10s %10s\n' tool "wall s" files pages rewritten "offline %"
    declare -A wall=()
    for tool in "${tools[@]}"; do
        wall[$tool]=$(median "${lines[$tool]}" 1)
        rewritten=$(median "${lines[$tool]}" 4)
        resolving=$(median "${lines[$tool]}" 5)
        share=$( [ "$rewritten" -gt 0 ] && echo "100 * $resolving / $rewritten" | bc -l || echo 0)
        printf '%-15s %9.2f %7d %7d %10d %10.1f\n' "$tool" "${wall[$tool]}" \
            "$(median "${lines[$tool]}" 2)" "$(median "${lines[$tool]}" 3)" "$rewritten" "$share"
    done
    echo "Wall-time ratios (below 1 is better for the grabber)"
    for ours in corvanta corvanta-1part; do
        printf '  %-15s / wget %6.2f   / wget2 %6.2f\n' "$ours" \
            "$(echo "${wall[$ours]} / ${wall[wget]}" | bc -l)" \
            "$(echo "${wall[$ours]} / ${wall[wget2]}" | bc -l)"
    done
    echo
done
echo "Targets: with latency within 1.5 x wget2; on plain loopback within 2 x wget;"
echo "100 % of the rewritten links open offline."
