#!/bin/sh
# dunst runs this for every notice it shows (appname summary body icon
# urgency); tests read the lines back from $ZORVI_NOTICE_LOG.
printf '%s|%s|%s\n' "$1" "$2" "$3" | tr '\n' ' ' >> "$ZORVI_NOTICE_LOG"
printf '\n' >> "$ZORVI_NOTICE_LOG"
