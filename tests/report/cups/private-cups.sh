#!/bin/sh
# A private CUPS spooler for the printing tests: its own configuration,
# spool and logs in one folder, a unix socket as its only listener, and three
# queues; two turn jobs into PDF files in DIR/out, one writes the printer's
# byte stream into a file:
#   waybill-pdf      cups-pdf with its own PPD (takes a custom paper size)
#   waybill-ps       the generic PostScript printer of CUPS (fixed paper sizes only)
#   waybill-epson24  CUPS' own Epson 24-pin driver (rastertoepson) into
#                    DIR/escp/job.prn (each job replaces the last)
#   waybill-raw      a raw queue into DIR/escp/raw.prn: what a raw job sends
#                    arrives as sent (cupsd writes nothing to a file device
#                    without a filter, so the PPD names one that copies)
#
# cups-pdf reads its settings from /etc/cups/cups-pdf.conf only. The system
# file is never changed: cupsd runs in a mount namespace of its own in which
# a private copy is mounted over it (needs root, as cupsd does to run the
# backend).
#
#   private-cups.sh check           exits 0 when everything needed is here,
#                                   otherwise prints why and exits 1
#   private-cups.sh run DIR         writes the configuration into DIR and runs
#                                   cupsd in the foreground (the caller owns
#                                   the process and must end it)
#   private-cups.sh queues DIR      waits for the socket (10 s at most) and
#                                   adds the two queues
#   private-cups.sh start DIR       run in the background, then queues; prints
#                                   the CUPS_SERVER line for clients
#   private-cups.sh stop DIR        ends a cupsd started with start (SIGTERM,
#                                   SIGKILL after 5 s)
#
# Clients reach the spooler with CUPS_SERVER=DIR/cups.sock.
set -eu

PDF_QUEUE=waybill-pdf
PS_QUEUE=waybill-ps
PDF_PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
PS_MODEL=drv:///sample.drv/generic.ppd
EPSON_QUEUE=waybill-epson24
EPSON_MODEL=drv:///sample.drv/epson24.ppd
RAW_QUEUE=waybill-raw

die() {
    echo "private-cups: $*" >&2
    exit 1
}

check() {
    for need in cupsd:cups-daemon lpadmin:cups-client lpstat:cups-client gs:ghostscript \
        unshare:util-linux mount:mount; do
        tool=${need%%:*}
        PATH="$PATH:/usr/sbin:/sbin" command -v "$tool" >/dev/null 2>&1 ||
            die "'$tool' is not installed (package ${need#*:}; install cups and printer-driver-cups-pdf)"
    done
    [ -e /usr/lib/cups/filter/pstops ] || die "the CUPS filters are not installed (install cups)"
    [ -e /usr/lib/cups/backend/cups-pdf ] || die "the cups-pdf backend is not installed (package printer-driver-cups-pdf)"
    [ -f "$PDF_PPD" ] || die "$PDF_PPD is missing (package printer-driver-cups-pdf)"
    [ -f /etc/cups/cups-pdf.conf ] || die "/etc/cups/cups-pdf.conf is missing (package printer-driver-cups-pdf)"
    [ -f /usr/share/cups/drv/sample.drv ] || die "the generic PostScript driver is missing (package cups-common)"
    [ -e /usr/lib/cups/filter/rastertoepson ] || die "the Epson dot-matrix driver is missing (package cups-filters)"
    [ "$(id -u)" = 0 ] || die "needs root: cupsd runs the cups-pdf backend only as root"
    unshare --mount --propagation private true 2>/dev/null ||
        die "cannot make a mount namespace here (unshare --mount failed)"
}

configure() {
    dir=$1
    mkdir -p "$dir/etc/ppd" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" "$dir/out" "$dir/pdfspool" "$dir/escp"
    chmod 0777 "$dir/escp"
    # Filters run as lp and must reach the spool through the folder.
    chmod 0755 "$dir"
    cat >"$dir/etc/cupsd.conf" <<EOF
Listen $dir/cups.sock
LogLevel debug
MaxLogSize 0
Browsing No
BrowseLocalProtocols none
DefaultAuthType None
WebInterface No
PreserveJobHistory Yes
PreserveJobFiles No
JobRetryLimit 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
    cat >"$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
DataDir /usr/share/cups
ServerBin /usr/lib/cups
DocumentRoot /usr/share/cups/doc-root
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
User lp
Group lp
SystemGroup root
FileDevice Yes
EOF
    cat >"$dir/etc/raw.ppd" <<EOF
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "WBRAW.PPD"
*Manufacturer: "waybill tests"
*Product: "(raw)"
*ModelName: "waybill raw"
*ShortNickName: "waybill raw"
*NickName: "waybill raw"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/vnd.cups-raw 0 gziptoany"
*OpenUI *PageSize: PickOne
*DefaultPageSize: A4
*PageSize A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*DefaultImageableArea: A4
*ImageableArea A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4: "595 842"
EOF
    cat >"$dir/cups-pdf.conf" <<EOF
Out $dir/out
AnonDirName $dir/out
Spool $dir/pdfspool
GSTmp $dir/pdfspool
Log $dir/log
LogType 3
Label 1
UserUMask 0022
Grp root
EOF
}

run() {
    dir=$1
    check
    configure "$dir"
    cupsd=$(PATH="$PATH:/usr/sbin:/sbin" command -v cupsd)
    # exec all the way down: the caller's process becomes cupsd.
    exec unshare --mount --propagation private -- /bin/sh -c \
        'mount --bind "$1/cups-pdf.conf" /etc/cups/cups-pdf.conf && exec "$2" -f -c "$1/etc/cupsd.conf" -s "$1/etc/cups-files.conf"' \
        sh "$dir" "$cupsd"
}

queues() {
    dir=$1
    CUPS_SERVER=$dir/cups.sock
    export CUPS_SERVER
    lpadmin=$(PATH="$PATH:/usr/sbin:/sbin" command -v lpadmin)
    tries=0
    until [ -S "$CUPS_SERVER" ] && lpstat -r 2>/dev/null | grep -q 'is running'; do
        tries=$((tries + 1))
        [ "$tries" -le 100 ] || die "cupsd did not answer on $CUPS_SERVER within 10 s"
        sleep 0.1
    done
    timeout 20 "$lpadmin" -p "$PDF_QUEUE" -E -v "cups-pdf:/" -P "$PDF_PPD" ||
        die "could not add the queue $PDF_QUEUE"
    timeout 20 "$lpadmin" -p "$PS_QUEUE" -E -v "cups-pdf:/" -m "$PS_MODEL" ||
        die "could not add the queue $PS_QUEUE"
    timeout 20 "$lpadmin" -p "$EPSON_QUEUE" -E -v "file:$dir/escp/job.prn" -m "$EPSON_MODEL" ||
        die "could not add the queue $EPSON_QUEUE"
    timeout 20 "$lpadmin" -p "$RAW_QUEUE" -E -v "file:$dir/escp/raw.prn" -P "$dir/etc/raw.ppd" ||
        die "could not add the queue $RAW_QUEUE"
}

start() {
    dir=$1
    check
    "$0" run "$dir" >"$dir/cupsd.out" 2>&1 </dev/null &
    echo $! >"$dir/cupsd.pid"
    queues "$dir" || {
        stop "$dir"
        exit 1
    }
    echo "CUPS_SERVER=$dir/cups.sock"
}

stop() {
    dir=$1
    [ -f "$dir/cupsd.pid" ] || return 0
    pid=$(cat "$dir/cupsd.pid")
    if kill -TERM "$pid" 2>/dev/null; then
        tries=0
        while kill -0 "$pid" 2>/dev/null && [ "$tries" -lt 50 ]; do
            tries=$((tries + 1))
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/cupsd.pid"
}

[ $# -ge 1 ] || die "usage: $0 check | run DIR | queues DIR | start DIR | stop DIR"
cmd=$1
shift
case $cmd in
check) check ;;
run | queues | start | stop)
    [ $# -eq 1 ] || die "$cmd needs the folder"
    mkdir -p "$1"
    "$cmd" "$(cd "$1" && pwd)"
    ;;
*) die "unknown command $cmd" ;;
esac
