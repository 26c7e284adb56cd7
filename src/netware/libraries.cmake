# The directory client: OpenLDAP's client library (Debian: libldap-dev).
target_link_libraries(qv_netware PUBLIC ldap lber)
