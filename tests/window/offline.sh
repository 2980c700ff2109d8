# Sourced by the window tests before they start vexa: whatever the program under test tries to
# fetch goes nowhere beyond this machine. Every HTTP client it uses honours the proxy variables,
# so they point at a closed loopback port; and yt-dlp is a stand-in that fails at once.
offline_dir=$(mktemp -d)
cat >"$offline_dir/yt-dlp" <<'STANDIN'
#!/bin/sh
echo "yt-dlp is not available in the window tests" >&2
exit 1
STANDIN
chmod +x "$offline_dir/yt-dlp"
export PATH="$offline_dir:$PATH"
export http_proxy=http://127.0.0.1:9 https_proxy=http://127.0.0.1:9 all_proxy=http://127.0.0.1:9
export HTTP_PROXY=$http_proxy HTTPS_PROXY=$https_proxy ALL_PROXY=$all_proxy
unset no_proxy NO_PROXY
