# The desktop's caches over a freedesktop data folder (<prefix>/share), one entry each:
#   "<cache folder, below share>|<the files it lists>|<tool and its options>"
# where the files are "[<subfolder>/]*<suffix>" directly in that folder, or "**" for any file
# below it. The one list of them: the Linux layer's desktop_caches.cpp is built from it, and
# the kit's install steps refresh the same caches after a game's files are copied.
set(QUARN_DESKTOP_CACHES
    "applications|*.desktop|update-desktop-database -q"
    "mime|packages/*.xml|update-mime-database"
    "icons/hicolor|**|gtk-update-icon-cache -q -t -f")
