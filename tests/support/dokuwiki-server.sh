#!/usr/bin/env bash
# A real web application for the saved-login tests: DokuWiki from Debian's
# package, served by an Apache of its own (never the system's service).
#   dokuwiki-server.sh up DIR PORT   wiki conf, data, sessions, Apache's config,
#                                    pid file and logs under DIR; 127.0.0.1:PORT;
#                                    two users: alice (pw-alice), bob (pw-bob)
#   dokuwiki-server.sh down DIR
# The access log (DIR/access.log) names the wiki user each request was served
# as (a note set by the prepend file once the wiki has run), and the wiki's
# session cookie, so the tests can tell the tabs apart from the server's side.
set -euo pipefail
wiki=/usr/share/dokuwiki
case "$1" in
up)
    dir=$2 port=$3
    "$0" down "$dir"
    rm -rf "$dir"
    mkdir -p "$dir/conf" "$dir/sessions" "$dir/run"
    cp -a /var/lib/dokuwiki/data "$dir/data"
    cat >"$dir/conf/local.php" <<PHP
<?php
\$conf['title'] = 'Lumo test wiki';
\$conf['savedir'] = '$dir/data';
\$conf['useacl'] = 1;
\$conf['authtype'] = 'authplain';
\$conf['superuser'] = '@admin';
\$conf['lang'] = 'en';
\$conf['userewrite'] = 0;
PHP
    printf '*\t@ALL\t1\n' >"$dir/conf/acl.auth.php"
    {
        echo '# <?php exit()?>'
        for u in alice bob; do
            printf '%s:%s:%s:%s@localhost:user\n' "$u" "$(printf 'pw-%s' "$u" | md5sum | cut -d' ' -f1)" "$u" "$u"
        done
    } >"$dir/conf/users.auth.php"
    cat >"$dir/prepend.php" <<PHP
<?php
define('DOKU_CONF', '$dir/conf/');
register_shutdown_function(function () {
    if (function_exists('apache_note'))
        apache_note('wikiuser', (string)(\$_SERVER['REMOTE_USER'] ?? '') ?: '-');
});
PHP
    php=$(ls /usr/lib/apache2/modules/libphp*.so | head -n 1)
    user_lines=""
    if [ "$(id -u)" = 0 ]; then
        user_lines=$'User www-data\nGroup www-data'
        chown -R www-data:www-data "$dir/data" "$dir/conf" "$dir/sessions" "$dir/run"
        runuser -u www-data -- test -r "$dir/prepend.php" ||
            { echo "www-data cannot reach $dir: every folder above it must be searchable"; exit 1; }
    fi
    cat >"$dir/httpd.conf" <<CONF
ServerRoot "$dir"
ServerName 127.0.0.1
Listen 127.0.0.1:$port
PidFile "$dir/httpd.pid"
ErrorLog "$dir/error.log"
DefaultRuntimeDir "$dir/run"
Mutex file:$dir/run
$user_lines
LoadModule mpm_prefork_module /usr/lib/apache2/modules/mod_mpm_prefork.so
LoadModule authz_core_module /usr/lib/apache2/modules/mod_authz_core.so
LoadModule dir_module /usr/lib/apache2/modules/mod_dir.so
LoadModule mime_module /usr/lib/apache2/modules/mod_mime.so
LoadModule php_module $php
StartServers 2
MinSpareServers 2
MaxSpareServers 4
TypesConfig /etc/mime.types
LogFormat "%{%H:%M:%S}t.%{msec_frac}t\t%m\t%U%q\t%>s\t%{wikiuser}n\t%{DokuWiki}C" wiki
CustomLog "$dir/access.log" wiki
DocumentRoot "$wiki"
DirectoryIndex doku.php
<Directory />
    Require all denied
    AllowOverride None
</Directory>
<Directory "$wiki">
    Require all granted
</Directory>
<Directory "$wiki/bin">
    Require all denied
</Directory>
<FilesMatch "\.php\$">
    SetHandler application/x-httpd-php
</FilesMatch>
php_value auto_prepend_file "$dir/prepend.php"
php_value session.save_path "$dir/sessions"
CONF
    apache2 -f "$dir/httpd.conf" -k start
    for _ in $(seq 100); do
        exec 3<>"/dev/tcp/127.0.0.1/$port" 2>/dev/null && { exec 3<&-; exit 0; }
        sleep 0.1
    done
    echo "the wiki's Apache did not start:"; cat "$dir/error.log" 2>/dev/null; exit 1
    ;;
down)
    dir=$2
    if [ -f "$dir/httpd.pid" ]; then
        pid=$(cat "$dir/httpd.pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        rm -f "$dir/httpd.pid"
    fi
    ;;
esac
