#!/usr/bin/env bash
# The Web Site Grabber copying a generated documentation site (about 540
# pages in sections, each with style sheets that import others and name
# pictures and fonts, scripts, an icon, pictures with srcset and <picture>,
# queries on requisite addresses, anchors, a search page, robots.txt) as a
# fresh window has it, beside `wget2 --max-threads=5 -r -k` and
# `wget -r -k -p`, at the same link depth (the window's Level 4 is wget's
# `-l 3`), in one run. (wget2 fetches page requisites within the depth
# without -p, and this wget2 follows nothing past the first page with -p and
# -l together.) Three rows:
#   20 ms   a server of our own waiting 20 ms before each response (keep-alive)
#   plain   nginx on plain loopback
#   h2      nginx over HTTPS with HTTP/2, a certificate made for this run
#
# For each tool: the median wall time of REPEAT rounds, the files saved (the
# grabber's hidden record aside), and the shares of references that open
# offline: a checker resolves every reference of every saved page and style
# sheet against the saved files as a browser opening the file would (query
# and fragment cut); "links" are a/iframe references to the site, "requisites"
# style sheets, scripts, pictures, fonts and icons. Then the grabber grabs
# the 20 ms site again into its copy: the bytes of bodies it fetched then.
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
cmake --build "$build" --target grabber_run >/dev/null
runner=$(find "$build" -name grabber_run -type f -perm -u+x | head -1)
for tool in wget wget2 python3 openssl curl; do
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
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"

# The site, with @HOST@ where absolute links name the server.
python3 - "$work/template" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(11)
def write(path, data):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data.encode() if isinstance(data, str) else data)
def blob(magic, low, high):
    return magic + random.randbytes(random.randint(low, high))
sections = [f"part{s:02d}" for s in range(12)]
pages = {s: [f"topic{p:02d}" for p in range(44)] for s in sections}
words = ("the grabber keeps a copy of every page a reader needs offline with its style "
         "sheets scripts pictures and fonts so that nothing is missing later on").split()
def prose(n):
    return " ".join(random.choice(words) for _ in range(n))
write("_static/basic.css", "div.body { margin: 0 }\n.note { background: url(img/note.png) no-repeat }\n"
      "/* url(img/not-a-reference.png) */\n.warn { background-image: url('img/warn.png') }\n")
write("_static/theme.css", '@import url("basic.css");\n@import "pygments.css";\n'
      "@font-face { font-family: Lato; src: url(fonts/lato.woff2?v=2) format('woff2'),"
      " url(\"fonts/lato.woff\") format('woff'); }\n"
      "body { font-family: Lato; background: url(img/bg.png) repeat-x }\n"
      "h1 { background: url( \"img/rule.png\" ) }\n")
write("_static/pygments.css", ".hll { background-color: #ffc }\n.c { color: #888 }\n")
for name in ("note", "warn", "bg", "rule", "logo"):
    write(f"_static/img/{name}.png", blob(b"\x89PNG\r\n\x1a\n", 400, 3000))
write("_static/fonts/lato.woff2", blob(b"wOF2", 20000, 30000))
write("_static/fonts/lato.woff", blob(b"wOFF", 30000, 40000))
write("_static/favicon.ico", blob(b"\x00\x00\x01\x00", 300, 1000))
write("_static/jquery.js", "/* library */\n" + "var x = 1;\n" * 3000)
write("_static/doctools.js", "/* tools */\n" + "function f() { return 2; }\n" * 400)
write("_static/search.js", "var index = {};\n" * 200)
for n in range(60):
    write(f"_images/fig{n}.png", blob(b"\x89PNG\r\n\x1a\n", 3000, 20000))
    write(f"_images/fig{n}@2x.png", blob(b"\x89PNG\r\n\x1a\n", 6000, 40000))
    write(f"_images/fig{n}.webp", blob(b"RIFF", 2000, 15000))
write("robots.txt", "User-agent: *\nDisallow: /private/\n")
write("private/secret.html", "<html><body>not for robots</body></html>\n")

def head(title, up, extra=""):
    return (f"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>{title}</title>\n"
            f"<link rel=\"stylesheet\" href=\"{up}_static/theme.css?v=3\" type=\"text/css\">\n"
            f"<link rel=\"icon\" href=\"{up}_static/favicon.ico\">\n"
            f"<link rel=\"preload\" href=\"{up}_static/fonts/lato.woff2?v=2\" as=\"font\" crossorigin>\n"
            f"<script src=\"{up}_static/jquery.js\"></script>\n"
            f"<script src=\"{up}_static/doctools.js?v=1\"></script>{extra}\n</head>\n")
def nav(up, here):
    items = "".join(f'<li><a href="{up}{s}/index.html">{s}</a></li>\n' for s in sections)
    local = "".join(f'<li><a href="{p}.html">{p}</a></li>\n' for p in pages[here]) if here else ""
    return (f'<div class="sidebar"><a href="{up}index.html"><img src="{up}_static/img/logo.png" '
            f'alt="logo"></a>\n<ul>{items}</ul><ul>{local}</ul>\n'
            f'<form action="{up}search.html"><input name="q"></form></div>\n')
write("index.html", head("Documentation", "") + "<body>" + nav("", None) +
      '<div class="body"><h1>Welcome</h1><p>' + prose(300) + "</p>\n" +
      '<p><a href="genindex.html">Index</a> <a href="search.html?q=copy">search</a> '
      '<a href="http://@HOST@/part00/index.html">first part</a> '
      '<a href="private/secret.html">private</a> <a href="#top">top</a></p>'
      "</div></body></html>\n")
write("search.html", head("Search", "", '\n<script src="_static/search.js"></script>') +
      "<body>" + nav("", None) + '<div class="body">results</div></body></html>\n')
write("genindex.html", head("Index", "") + "<body>" + nav("", None) + '<div class="body">' +
      "".join(f'<a href="{s}/{p}.html#term">{s}/{p}</a>\n' for s in sections for p in pages[s][:10]) +
      "</div></body></html>\n")
figure = 0
for s in sections:
    write(f"{s}/index.html", head(s, "../") + "<body>" + nav("../", s) + '<div class="body"><h1>' +
          s + "</h1><p>" + prose(200) + "</p></div></body></html>\n")
    for i, p in enumerate(pages[s]):
        figure = (figure + 1) % 60
        prev_page = pages[s][i - 1] if i else "index"
        next_page = pages[s][i + 1] if i + 1 < len(pages[s]) else "index"
        other = random.choice(sections)
        body = (f"<h1 id=\"top\">{s} {p}</h1>\n<p>{prose(600)}</p>\n"
                f'<figure><img src="../_images/fig{figure}.png" srcset="../_images/fig{figure}.png 1x, '
                f'../_images/fig{figure}@2x.png 2x" alt="figure"></figure>\n'
                f'<picture><source srcset="../_images/fig{(figure + 7) % 60}.webp" type="image/webp">'
                f'<img src="../_images/fig{(figure + 7) % 60}.png" alt="diagram"></picture>\n'
                f'<p class="note" style="background-image: url(\'../_static/img/note.png\')">{prose(80)}</p>\n'
                f'<p>See <a href="../{other}/{random.choice(pages[other])}.html#details">elsewhere</a>, '
                f'<a href="/{other}/index.html">{other}</a>, <a href="../genindex.html">the index</a> '
                f'and <a href="../search.html?q={p}">search</a>.</p>\n'
                f'<p><a href="{prev_page}.html">previous</a> <a href="{next_page}.html">next</a> '
                f'<a href="#top">top</a></p>\n')
        write(f"{s}/{p}.html", head(f"{s} {p}", "../") + "<body>" + nav("../", s) +
              f'<div class="body">{body}</div></body></html>\n')
PY

# A server of our own: waits DELAY ms before each response, keeps connections,
# answers If-Modified-Since.
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

# The checker: prints "links linksOffline requisites requisitesOffline" for a copy.
cat >"$work/check.py" <<'PY'
import html.parser, os, re, sys, urllib.parse
mirror, host = sys.argv[1], sys.argv[2]
LINK, REQUISITE = 0, 1
def css_refs(text):
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    refs = re.findall(r"""url\(\s*(?:"([^"]*)"|'([^']*)'|([^)\s]*))\s*\)""", text)
    refs = [a or b or c for a, b, c in refs]
    refs += re.findall(r"""@import\s+["']([^"']+)["']""", text)
    return refs
class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.refs = []
        self.in_style = False
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        def add(kind, value):
            if value:
                self.refs.append((kind, value))
        if tag in ("a", "iframe", "frame"):
            add(LINK, a.get("href") if tag == "a" else a.get("src"))
        if tag == "link" and ({"stylesheet", "icon", "preload"} & set((a.get("rel") or "").lower().split())):
            add(REQUISITE, a.get("href"))
        if tag in ("script", "img", "source", "audio", "video", "track", "embed"):
            add(REQUISITE, a.get("src"))
        if tag in ("img", "source") and a.get("srcset"):
            for candidate in a["srcset"].split(","):
                add(REQUISITE, candidate.strip().split(" ")[0])
        if tag == "video":
            add(REQUISITE, a.get("poster"))
        if a.get("style"):
            for ref in css_refs(a["style"]):
                add(REQUISITE, ref)
        self.in_style = tag == "style"
    def handle_endtag(self, tag):
        self.in_style = False
    def handle_data(self, data):
        if self.in_style:
            for ref in css_refs(data):
                self.refs.append((REQUISITE, ref))
counts = [[0, 0], [0, 0]]
for folder, dirs, files in os.walk(mirror):
    dirs[:] = [d for d in dirs if not d.startswith(".")]
    for name in files:
        path = os.path.join(folder, name)
        with open(path, "rb") as f:
            data = f.read()
        text = data.decode("utf-8", "replace")
        if name.endswith(".css") or ".css?" in name or ".css@" in name:
            refs = [(REQUISITE, r) for r in css_refs(text)]
        elif text.lstrip().lower().startswith("<!doctype html") or "<html" in text[:500].lower():
            page = Page()
            page.feed(text)
            refs = page.refs
        else:
            continue
        for kind, ref in refs:
            parts = urllib.parse.urlsplit(ref.strip())
            if parts.scheme in ("mailto", "javascript", "data") or ref.startswith("#"):
                continue
            if parts.netloc and parts.netloc != host:
                continue  # another site: never local
            counts[kind][0] += 1
            if parts.scheme or parts.netloc or parts.path.startswith("/"):
                continue  # a browser opening the file goes to the server
            target = os.path.normpath(os.path.join(folder, urllib.parse.unquote(parts.path)))
            if os.path.isfile(target):
                counts[kind][1] += 1
print(counts[0][0], counts[0][1], counts[1][0], counts[1][1])
PY

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
    -addext subjectAltName=IP:127.0.0.1 -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null

start_nginx() {  # PORT [tls]
    mkdir -p "$work/nginx/temp"
    local listen="listen 127.0.0.1:$1;"
    [ "${2:-}" = tls ] && listen="listen 127.0.0.1:$1 ssl http2; ssl_certificate $work/cert.pem; ssl_certificate_key $work/key.pem;"
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
  server { $listen root $work/www; }
}
CONF
    /usr/sbin/nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
    server_pid=$!
}

start_slow() {  # PORT
    python3 "$work/slow_server.py" "$work/www" "$1" "$delay_ms" &
    server_pid=$!
}

# run TOOL URL HOST: one copy into $work/out; prints "wall files links linksOk requisites requisitesOk".
run() {
    local tool=$1 url=$2 host=$3 start end ca=()
    [[ $url == https* ]] && ca=(--ca-certificate="$work/cert.pem")
    rm -rf "$work/out" && mkdir -p "$work/out"
    start=$(date +%s.%N)
    case $tool in
        corvanta) QT_QPA_PLATFORM=offscreen "$runner" "$url" "$work/out" 4 --ca "$work/cert.pem" >/dev/null 2>&1 ;;
        wget) (cd "$work/out" && wget -q -r -l 3 -k -p "${ca[@]}" "$url" >/dev/null 2>&1) || true ;;
        wget2) (cd "$work/out" && wget2 -q -r -l 3 -k --max-threads=5 "${ca[@]}" "$url" >/dev/null 2>&1) || true ;;
    esac
    end=$(date +%s.%N)
    local root="$work/out" dir files
    # wget and wget2 save below a folder named after the host.
    dir=$(find "$work/out" -mindepth 1 -maxdepth 1 -type d -name '127.0.0.1*' | head -1)
    [ -n "$dir" ] && root=$dir
    files=$(find "$work/out" -type f -not -path '*/.*' | wc -l)
    echo "$(echo "$end - $start" | bc -l) $files $(python3 "$work/check.py" "$root" "$host")"
}

tools=(corvanta wget2 wget)
median() {  # LINES COLUMN
    printf '%s' "$1" | awk -v c="$2" 'NF { print $c }' | sort -g |
        awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
share() {  # PART WHOLE
    [ "$2" -gt 0 ] && echo "100 * $1 / $2" | bc -l || echo 0
}

for setting in 20ms plain h2; do
    port=$(free_port)
    host="127.0.0.1:$port"
    rm -rf "$work/www" && cp -r "$work/template" "$work/www"
    grep -rl '@HOST@' "$work/www" | xargs sed -i "s/@HOST@/$host/g"
    scheme=http
    case $setting in
        20ms) start_slow "$port" ;;
        plain) start_nginx "$port" ;;
        h2) start_nginx "$port" tls; scheme=https ;;
    esac
    for _ in $(seq 50); do
        curl -ks -o /dev/null "$scheme://$host/" && break
        sleep 0.1
    done
    url="$scheme://$host/"
    declare -A lines=()
    for _ in $(seq "$repeat"); do
        for tool in "${tools[@]}"; do
            lines[$tool]+="$(run "$tool" "$url" "$host")"$'\n'
        done
    done
    update=
    if [ "$setting" = 20ms ]; then
        # A copy grabbed again: nothing changed on the site.
        rm -rf "$work/update"
        QT_QPA_PLATFORM=offscreen "$runner" "$url" "$work/update" 4 >/dev/null 2>&1
        update=$(QT_QPA_PLATFORM=offscreen "$runner" "$url" "$work/update" 4 2>/dev/null | tr '\n' ' ')
    fi
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=

    case $setting in
        20ms) echo "Site served by our server waiting ${delay_ms} ms before each response, median of $repeat rounds" ;;
        plain) echo "Site served by nginx on plain loopback, median of $repeat rounds" ;;
        h2) echo "Site served by nginx over HTTPS with HTTP/2, median of $repeat rounds" ;;
    esac
    printf '%-10s %8s %7s %16s %20s\n' tool "wall s" files "links offline" "requisites offline"
    declare -A wall=()
    for tool in "${tools[@]}"; do
        wall[$tool]=$(median "${lines[$tool]}" 1)
        printf '%-10s %8.2f %7d %9d %5.1f %% %13d %5.1f %%\n' "$tool" "${wall[$tool]}" \
            "$(median "${lines[$tool]}" 2)" "$(median "${lines[$tool]}" 3)" \
            "$(share "$(median "${lines[$tool]}" 4)" "$(median "${lines[$tool]}" 3)")" \
            "$(median "${lines[$tool]}" 5)" \
            "$(share "$(median "${lines[$tool]}" 6)" "$(median "${lines[$tool]}" 5)")"
    done
    printf 'corvanta wall / wget2 %.2f   / wget %.2f\n' \
        "$(echo "${wall[corvanta]} / ${wall[wget2]}" | bc -l)" \
        "$(echo "${wall[corvanta]} / ${wall[wget]}" | bc -l)"
    [ -n "$update" ] && echo "corvanta grabbing its copy again: $update"
    echo
done
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Targets: wall within 1.2 x wget2 on each row; offline shares at least wget -k -p's;"
echo "the second grab fetches no page bodies (bytes=0 beyond robots.txt)."
