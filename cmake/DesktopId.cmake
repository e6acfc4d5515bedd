# The publisher's addresses as the package, the desktop file and the metainfo
# write them: lower case, the web address with a scheme.
string(TOLOWER "${FAPKALK_PUBLISHER_EMAIL}" FAPKALK_CONTACT_MAIL)
string(TOLOWER "${FAPKALK_PUBLISHER_WEB}" FAPKALK_HOMEPAGE)
if(NOT FAPKALK_HOMEPAGE MATCHES "^[a-z]+://")
    set(FAPKALK_HOMEPAGE "https://${FAPKALK_HOMEPAGE}/")
endif()

# FAPKALK_APP_ID: the reverse-domain id that the desktop file, the icon and the
# AppStream metainfo share, taken from the publisher's web address so that a
# distributor who sets FAPKALK_PUBLISHER_WEB gets a matching id:
# WWW.EXAMPLE.ORG gives org.example.fapkalk.
if(NOT FAPKALK_APP_ID)
    string(TOLOWER "${FAPKALK_PUBLISHER_WEB}" _fapkalk_domain)
    string(REGEX REPLACE "^[a-z]+://" "" _fapkalk_domain "${_fapkalk_domain}")
    string(REGEX REPLACE "[/:].*$" "" _fapkalk_domain "${_fapkalk_domain}")
    string(REGEX REPLACE "^www\\." "" _fapkalk_domain "${_fapkalk_domain}")
    string(REPLACE "." ";" _fapkalk_parts "${_fapkalk_domain}")
    list(REVERSE _fapkalk_parts)
    list(JOIN _fapkalk_parts "." _fapkalk_domain)
    if(NOT _fapkalk_domain MATCHES "^[a-z][a-z0-9-]*(\\.[a-z0-9-]+)+$")
        message(FATAL_ERROR "FAPKALK_PUBLISHER_WEB \"${FAPKALK_PUBLISHER_WEB}\" gives no desktop id; "
                            "set -DFAPKALK_APP_ID=tld.domain.fapkalk")
    endif()
    set(FAPKALK_APP_ID "${_fapkalk_domain}.fapkalk")
endif()
