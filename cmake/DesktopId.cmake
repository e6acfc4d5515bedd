# The package's maintainer and the project's homepage, written alike into the
# package's Maintainer and Homepage fields, the changelog's trailer, the
# copyright file and the AppStream metainfo. The defaults are the publisher's
# (made-up) addresses; a distributor sets its own, e.g.
# -DFAPKALK_MAINTAINER="Anna Muster <anna@apotheke.example.at>".
string(TOLOWER "${FAPKALK_PUBLISHER_EMAIL}" _fapkalk_mail)
string(TOLOWER "${FAPKALK_PUBLISHER_WEB}" _fapkalk_web)
if(NOT _fapkalk_web MATCHES "^[a-z]+://")
    set(_fapkalk_web "https://${_fapkalk_web}/")
endif()
set(FAPKALK_MAINTAINER "${FAPKALK_PUBLISHER_NAME} <${_fapkalk_mail}>" CACHE STRING
    "Package maintainer as \"Name <e-mail>\" (Maintainer field, changelog, copyright)")
set(FAPKALK_HOMEPAGE "${_fapkalk_web}" CACHE STRING
    "Project homepage with scheme (Homepage field, copyright, metainfo)")
if(NOT FAPKALK_MAINTAINER MATCHES "^([^<>]*[^<> ]) <([^<> ]+@[^<> ]+)>$")
    message(FATAL_ERROR "FAPKALK_MAINTAINER \"${FAPKALK_MAINTAINER}\" is not \"Name <e-mail>\"")
endif()
set(FAPKALK_CONTACT_MAIL "${CMAKE_MATCH_2}")
if(NOT FAPKALK_HOMEPAGE MATCHES "^https?://[^ ]+$")
    message(FATAL_ERROR "FAPKALK_HOMEPAGE \"${FAPKALK_HOMEPAGE}\" is no http(s) address")
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
