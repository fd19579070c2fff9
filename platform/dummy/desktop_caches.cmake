# The desktop caches the install steps refresh: none without a desktop to ask.
set(QUARN_DESKTOP_CACHES "")
