# Portable models of the catalogue page (category view, list model) and the
# decoders of the catalogue's preview pictures.
yq_library(yq_catalogue_model
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/category_model.cpp ${CMAKE_CURRENT_LIST_DIR}/list_model.cpp
  DEPS yq_base yq_zt)

yq_library(yq_catalogue_picture
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/picture.cpp ${CMAKE_CURRENT_LIST_DIR}/picture_cache.cpp
  DEPS yq_base)
