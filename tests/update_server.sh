#!/usr/bin/env bash
# The update server for the updater's end-to-end tests: Debian's nginx on
# loopback, serving <build>/update-site, with its configuration written here.
#   update_server.sh start BUILD-DIR PORT
#   update_server.sh stop BUILD-DIR
# It is ended by the process id it was started with, nothing else.
set -euo pipefail
action=$1 build=$2
dir="$build/update-server"
pidfile="$dir/server.pid"

stop() {
  [ -f "$pidfile" ] || return 0
  local pid
  pid=$(cat "$pidfile")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  rm -f "$pidfile"
}

case "$action" in
start)
  port=$3
  stop
  mkdir -p "$dir/temp" "$build/update-site/downloads/zephrin"
  cat >"$dir/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 64; }
http {
  # When each request ended and how long it took, for timing a download by hand.
  log_format timed '\$msec \$request_time "\$request" \$status \$bytes_sent';
  access_log $dir/access.log timed;
  client_body_temp_path $dir/temp/body;
  proxy_temp_path $dir/temp/proxy;
  fastcgi_temp_path $dir/temp/fastcgi;
  uwsgi_temp_path $dir/temp/uwsgi;
  scgi_temp_path $dir/temp/scgi;
  types { application/octet-stream exe; text/plain manifest; }
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$port;
    root $build/update-site;
    # A release that moved: the updater must not follow.
    location /moved/ { return 302 /downloads/zephrin/; }
    # A slow line, for cancelling in the middle of a download.
    location /slow/ { alias $build/update-site/downloads/zephrin/; limit_rate 16k; }
  }
}
CONF
  nginx -p "$dir" -c "$dir/nginx.conf" >"$dir/server.log" 2>&1 </dev/null &
  echo $! >"$pidfile"
  for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then exit 0; fi
    kill -0 "$(cat "$pidfile")" 2>/dev/null || break
    sleep 0.1
  done
  echo "update server did not start:" >&2
  cat "$dir/server.log" "$dir/error.log" >&2 2>/dev/null || true
  stop
  exit 1
  ;;
stop) stop ;;
*) echo "usage: $0 start BUILD-DIR PORT | stop BUILD-DIR" >&2; exit 2 ;;
esac
