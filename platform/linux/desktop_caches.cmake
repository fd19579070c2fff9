# The desktop's caches over a freedesktop data folder (<prefix>/share), one entry each:
#   "<cache folder, below share>|<the files it lists>|<tool and its options>|<its own files>"
# where the files are "[<subfolder>/]*<suffix>" directly in that folder, or "**" for any file
# below it, and its own files are those the tool writes directly in the folder (space-
# separated), removed instead of rebuilt once the folder holds nothing to list. The one list of them: the Linux layer's desktop_caches.cpp is built from it, and
# the kit's install steps refresh the same caches after a game's files are copied.
set(QUARN_DESKTOP_CACHES
    "applications|*.desktop|update-desktop-database -q|mimeinfo.cache"
    "mime|packages/*.xml|update-mime-database|aliases generic-icons globs globs2 icons magic mime.cache subclasses treemagic types version XMLnamespaces"
    "icons/hicolor|**|gtk-update-icon-cache -q -t -f|icon-theme.cache")
